#include "system_splitter.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "command_line_quoting.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

struct LocalFreeOnExit {
    void operator()(LPWSTR* elements) const { LocalFree(elements); }
};

// How many elements, the program's name included, the splitter reads in the
// first `length` units of the line.
int elements_in(const std::wstring& commandLine, size_t length) {
    const std::wstring prefix = commandLine.substr(0, length);
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreeOnExit> elements(CommandLineToArgvW(prefix.c_str(), &count));
    return elements ? count : 0;
}

// The first `length` units of the line that hold argument `index` (0-based)
// whole: just before the next argument starts. An argument never ends once
// begun as the line grows, so the count of elements rises with the length,
// and a binary search finds where the one after it begins.
size_t through_argument(const std::wstring& commandLine, size_t index) {
    const int wanted = static_cast<int>(index) + 3;  // the name, arguments 0 to index, and the next one
    size_t low = 0, high = commandLine.size();
    if (elements_in(commandLine, high) < wanted) return high;
    while (low + 1 < high) {
        const size_t middle = (low + high) / 2;
        (elements_in(commandLine, middle) >= wanted ? high : low) = middle;
    }
    return low;
}

bool plainly_printable(wchar_t unit) {
    if (unit >= 0x21 && unit <= 0x7E) return true;
    if (unit == L' ') return true;
    if (unit < 0xA1 || (unit >= 0xD800 && unit <= 0xDFFF) || unit >= 0xFDD0) return false;
    const WORD type = [unit] {
        WORD kind = 0;
        GetStringTypeW(CT_CTYPE1, &unit, 1, &kind);
        return kind;
    }();
    return (type & (C1_ALPHA | C1_DIGIT | C1_PUNCT)) != 0;
}

std::string one_unit(wchar_t unit) {
    switch (unit) {
        case L'\t': return "{TAB}";
        case L'\r': return "{CR}";
        case L'\n': return "{LF}";
        default: break;
    }
    if (plainly_printable(unit)) return to_utf8(std::wstring(1, unit));
    static const char digits[] = "0123456789ABCDEF";
    std::string said = "{U+";
    for (int shift = 12; shift >= 0; shift -= 4) said += digits[(unit >> shift) & 15];
    return said + "}";
}

std::string shown_whole(const std::wstring& units) {
    std::string said;
    for (size_t i = 0; i < units.size(); ++i) {
        // A surrogate pair is one character, shown as it is.
        if (i + 1 < units.size() && IS_HIGH_SURROGATE(units[i]) && IS_LOW_SURROGATE(units[i + 1])) {
            said += to_utf8(units.substr(i, 2));
            ++i;
            continue;
        }
        said += one_unit(units[i]);
    }
    return said;
}

// Units `from` to `from + count` of `text`, or what there is of them.
std::wstring around(const std::wstring& text, size_t at, size_t before, size_t after) {
    const size_t from = at > before ? at - before : 0;
    return text.substr(std::min(from, text.size()), before + after);
}

}  // namespace

std::vector<std::wstring> arguments_the_system_reads(const std::wstring& commandLine) {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreeOnExit> elements(CommandLineToArgvW(commandLine.c_str(), &count));
    if (!elements) throw std::runtime_error("CommandLineToArgvW failed (error " + std::to_string(GetLastError()) + ")");
    return std::vector<std::wstring>(elements.get() + std::min(count, 1), elements.get() + count);
}

std::string shown(const std::wstring& units, size_t most) {
    std::string said(1, '"');
    if (units.size() <= most) {
        said += shown_whole(units);
    } else {
        const size_t head = most / 3, tail = most - head;
        said += shown_whole(units.substr(0, head));
        said += "{… " + std::to_string(units.size() - most) + " units left out …}";
        said += shown_whole(units.substr(units.size() - tail));
    }
    return said += '"';
}

std::string where_it_differs(const std::wstring& commandLine, const std::vector<std::wstring>& arguments,
                             const std::wstring& placedBlock) {
    const std::wstring expected = clipboard_block_for(arguments);
    if (expected == placedBlock) return {};
    const size_t at = static_cast<size_t>(
        std::mismatch(expected.begin(), expected.end(), placedBlock.begin(), placedBlock.end()).first -
        expected.begin());
    size_t argument = 0, startsAt = 0;
    while (argument < arguments.size() && startsAt + arguments[argument].size() + 2 <= at) {
        startsAt += arguments[argument].size() + 2;
        ++argument;
    }
    const std::string which = argument < arguments.size()
                                  ? "argument " + std::to_string(argument + 1) + " of " +
                                        std::to_string(arguments.size()) + " (its unit " +
                                        std::to_string(at - startsAt + 1) + ")"
                                  : "the end of the text, after all " + std::to_string(arguments.size()) + " arguments";
    const std::wstring upTo = commandLine.substr(0, through_argument(commandLine, argument));
    return "the placed text differs from " + which + " on.\n" +
           "  the command line up to that argument: " + shown(upTo) + "\n" +
           "  the system's splitter reads there:    " + shown(around(expected, at, 40, 80)) + "\n" +
           "  tarnwick.exe placed there:            " + shown(around(placedBlock, at, 40, 80)) + "\n" +
           "  (block sizes: " + std::to_string(expected.size()) + " units expected, " +
           std::to_string(placedBlock.size()) + " placed)";
}

}  // namespace tarnwick::testing
