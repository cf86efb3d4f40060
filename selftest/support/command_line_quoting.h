// Turns a list of arguments into a command line that CommandLineToArgvW
// splits back into exactly those arguments.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::testing {

// Quotes when needed; inside quotes, a run of backslashes is doubled before a
// quote or the closing quote, and a quote is escaped with a backslash.
inline std::wstring quote_argument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t unit : argument) {
        if (unit == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(unit == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted.push_back(unit);
        backslashes = 0;
    }
    quoted.append(2 * backslashes, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

inline std::wstring command_line_for(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    std::wstring line = quote_argument(program);
    for (const std::wstring& argument : arguments) line += L' ' + quote_argument(argument);
    return line;
}

// What the program must place for these arguments: each followed by CR LF,
// then the NUL.
inline std::wstring clipboard_block_for(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (const std::wstring& argument : arguments) text += argument + L"\r\n";
    return text + L'\0';
}

// As many arguments (numbered, with characters above U+FFFF, some quoted) as
// fit in a command line of at most `units` code units after `program`.
inline std::vector<std::wstring> arguments_filling(const std::wstring& program, size_t units) {
    std::vector<std::wstring> arguments;
    size_t length = quote_argument(program).size();
    for (int i = 0;; ++i) {
        std::wstring argument = L"arg " + std::to_wstring(i) + L" \U0001F600\u00e4\u65e5";
        const size_t added = 1 + quote_argument(argument).size();
        if (length + added > units) return arguments;
        length += added;
        arguments.push_back(std::move(argument));
    }
}

}  // namespace tarnwick::testing
