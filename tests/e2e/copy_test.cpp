// The real program, started with exact raw command lines; the clipboard is
// read back afterwards and compared code unit for code unit, NUL included.
#include <gtest/gtest.h>

#include <string>

#include "clipboard_access.h"
#include "tarnwick_process.h"

namespace tarnwick::testing {
namespace {

struct CopyCase {
    const char* name;
    std::wstring commandLine;
    std::wstring expectedBlock;  // every code unit of the clipboard block
};

// The clipboard block for `text`: the text and its terminating NUL.
std::wstring block(const std::wstring& text) { return text + L'\0'; }

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.name; }

// Plain arguments joined into a command line, each quoted; and the text the
// program must place for them.
CopyCase long_case() {
    std::wstring line = L"tarnwick.exe";
    std::wstring text;
    for (int i = 0; line.size() < 32'000 - 40; ++i) {
        const std::wstring argument = L"arg " + std::to_wstring(i) + L" \U0001F600\u00e4\u65e5";
        line += L" \"" + argument + L"\"";
        text += argument + L"\r\n";
    }
    return {"CommandLineOfOver30000Units", line, text + L'\0'};
}

class Copy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(Copy, PlacesEveryArgumentFollowedByLineEndAndOneNul) {
    const CopyCase& c = GetParam();
    ASSERT_TRUE(write_clipboard_text(L"before the run"));

    const auto status = wait_for_exit(start_tarnwick(c.commandLine), kLongestRunMs);

    ASSERT_EQ(status, 0u);
    const auto placed = read_clipboard_block();
    ASSERT_TRUE(placed.has_value());
    EXPECT_EQ(placed->size(), c.expectedBlock.size()) << "block size in code units";
    EXPECT_EQ(*placed, c.expectedBlock);
}

INSTANTIATE_TEST_SUITE_P(
    RawCommandLines, Copy,
    ::testing::Values(
        CopyCase{"TwoArgumentsOneQuoted", L"tarnwick.exe alpha \"beta gamma\"",
                 block(L"alpha\r\nbeta gamma\r\n")},
        CopyCase{"OneCharacterGivesEightBytes", L"tarnwick.exe x", block(L"x\r\n")},
        CopyCase{"TwoArguments", L"tarnwick.exe x y", block(L"x\r\ny\r\n")},
        CopyCase{"EmptyQuotesAlone", L"tarnwick.exe \"\"", block(L"\r\n")},
        CopyCase{"EmptyQuotesKeepTheirPlace", L"tarnwick.exe a \"\" b",
                 block(L"a\r\n\r\nb\r\n")},
        CopyCase{"TabsAndRunsOfSpacesSeparate", L"tarnwick.exe \ta\t\tb   c\t",
                 block(L"a\r\nb\r\nc\r\n")},
        CopyCase{"BackslashesFollowTheSplitterRules",
                 L"tarnwick.exe C:\\dir\\ \"a\\\"b\" \"c\\\\\" d\\\\\\\"e",
                 block(L"C:\\dir\\\r\na\"b\r\nc\\\r\nd\\\"e\r\n")},
        CopyCase{"QuotedProgramPathWithSpaces",
                 L"\"C:\\Program Files\\Tarnwick Tools\\tarnwick.exe\" one two",
                 block(L"one\r\ntwo\r\n")},
        CopyCase{"TrailingSpacesAddNothing", L"tarnwick.exe last   ",
                 block(L"last\r\n")},
        CopyCase{"ScriptsAndCharactersAboveBmp",
                 L"tarnwick.exe \U0001F600 \u65e5\u672c\u8a9e \u0395\u03bb\u03bb\u03ac\u03b4\u03b1 "
                 L"\u05e2\u05d1\u05e8\u05d9\u05ea \U00010348x",
                 block(L"\U0001F600\r\n\u65e5\u672c\u8a9e\r\n\u0395\u03bb\u03bb\u03ac"
                              L"\u03b4\u03b1\r\n\u05e2\u05d1\u05e8\u05d9\u05ea\r\n\U00010348x\r\n")},
        CopyCase{"LoneSurrogateTravelsUnchanged", L"tarnwick.exe a\xD800z",
                 block(L"a\xD800z\r\n")},
        CopyCase{"ScriptsEmptyAndQuotedPathInOne",
                 L"\"C:\\Program Files\\Tarnwick\\tarnwick.exe\" \"\" \u65e5\u672c\u8a9e "
                 L"\U0001F600 \"a b\" \u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u05e2\u05d1\u05e8",
                 block(L"\r\n\u65e5\u672c\u8a9e\r\n\U0001F600\r\na b\r\n"
                       L"\u0395\u03bb\u03bb\u03ac\u03b4\u03b1\r\n\u05e2\u05d1\u05e8\r\n")},
        CopyCase{"LeadingSpacesBeforeProgramName", L"   tarnwick.exe a",
                 block(L"a\r\n")},
        long_case()),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
