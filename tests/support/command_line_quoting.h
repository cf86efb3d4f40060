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

// What the program must place for these arguments.
inline std::wstring clipboard_block_for(const std::vector<std::wstring>& arguments) {
    std::wstring text;
    for (const std::wstring& argument : arguments) text += argument + L"\r\n";
    return text + L'\0';
}

}  // namespace tarnwick::testing
