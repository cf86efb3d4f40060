// The real program, started with exact raw command lines picked by hand; the
// clipboard is read back afterwards and compared code unit for code unit, NUL
// included, and the run must show, write and leave nothing else (see
// watched_run.h). Nothing else can reach the self-test's clipboard, so a busy
// answer is a failure.
#include <gtest/gtest.h>

#include <string>

#include "clipboard_access.h"
#include "command_line_quoting.h"
#include "watched_run.h"

namespace tarnwick::testing {
namespace {

struct CopyCase {
    const char* name;
    std::wstring commandLine;
    std::wstring expectedBlock;  // every code unit of the clipboard block
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.name; }

CopyCase long_case() {
    const auto arguments = arguments_filling(L"tarnwick.exe", 32'000);
    return {"CommandLineOfOver30000Units", command_line_for(L"tarnwick.exe", arguments),
            clipboard_block_for(arguments)};
}

class Copy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(Copy, PlacesEveryArgumentFollowedByLineEndAndOneNul) {
    const CopyCase& c = GetParam();
    ASSERT_TRUE(write_clipboard_text(L"before the run"));

    const WatchedRun run = run_and_watch(c.commandLine);

    EXPECT_TRUE(run.seen.empty()) << run.what_else_was_seen();
    ASSERT_TRUE(run.status.has_value()) << did_not_end();
    ASSERT_NE(run.status, kClipboardBusy) << said_busy_with_nobody_there();
    ASSERT_EQ(run.status, 0u) << "the clipboard held " << ::testing::PrintToString(run.after) << " after it";
    ASSERT_TRUE(run.after.has_value()) << "it left no Unicode text on the clipboard";
    EXPECT_EQ(run.after->size(), c.expectedBlock.size()) << "block size in code units";
    EXPECT_EQ(*run.after, c.expectedBlock);
}

// Where the system's splitter and the C runtime's differ, the cases follow
// the system's, which the program uses: a quote doubled inside quotes is one
// quote and ends the quoted part; a quoted program name ends at its second
// quote, even with no blank after it.
INSTANTIATE_TEST_SUITE_P(
    RawCommandLines, Copy,
    ::testing::Values(
        CopyCase{"TwoArgumentsOneQuoted", L"tarnwick.exe alpha \"beta gamma\"",
                 with_nul(L"alpha\r\nbeta gamma\r\n")},
        CopyCase{"OneCharacterGivesEightBytes", L"tarnwick.exe x", with_nul(L"x\r\n")},
        CopyCase{"TwoArguments", L"tarnwick.exe x y", with_nul(L"x\r\ny\r\n")},
        CopyCase{"EmptyQuotesAlone", L"tarnwick.exe \"\"", with_nul(L"\r\n")},
        CopyCase{"EmptyQuotesKeepTheirPlace", L"tarnwick.exe a \"\" b",
                 with_nul(L"a\r\n\r\nb\r\n")},
        CopyCase{"TabsAndRunsOfSpacesSeparate", L"tarnwick.exe \ta\t\tb   c\t",
                 with_nul(L"a\r\nb\r\nc\r\n")},
        CopyCase{"BackslashesFollowTheSplitterRules",
                 L"tarnwick.exe C:\\dir\\ \"a\\\"b\" \"c\\\\\" d\\\\\\\"e",
                 with_nul(L"C:\\dir\\\r\na\"b\r\nc\\\r\nd\\\"e\r\n")},
        CopyCase{"DoubledQuoteInsideQuotes", L"tarnwick.exe \"a\"\"b\"", with_nul(L"a\"b\r\n")},
        CopyCase{"DoubledQuoteInsideQuotesEndsTheQuotedPart", L"tarnwick.exe \"two\"\"quotes next",
                 with_nul(L"two\"quotes\r\nnext\r\n")},
        CopyCase{"QuotedProgramPathWithSpaces",
                 L"\"C:\\Program Files\\Tarnwick Tools\\tarnwick.exe\" one two",
                 with_nul(L"one\r\ntwo\r\n")},
        CopyCase{"ArgumentGluedToQuotedProgramName", L"\"tarnwick.exe\"arg\" one\" two",
                 with_nul(L"arg one\r\ntwo\r\n")},
        CopyCase{"QuoteGluedToQuotedProgramNameOpensAnArgument", L"\"tarnwick.exe\"\" arg1 ",
                 with_nul(L" arg1 \r\n")},
        CopyCase{"QuotesInsideAnUnquotedProgramNameStayInIt", L"tarnwick.exe\"x\"y arg1",
                 with_nul(L"arg1\r\n")},
        CopyCase{"BlanksAtEitherEndOfAnArgumentStay", L"tarnwick.exe \" a\" \"b \" \"\tc\t\" \" d e \"",
                 with_nul(L" a\r\nb \r\n\tc\t\r\n d e \r\n")},
        CopyCase{"ArgumentsOfBlanksOnlyStay", L"tarnwick.exe \"   \" \"\t\" x",
                 with_nul(L"   \r\n\t\r\nx\r\n")},
        CopyCase{"TrailingSpacesAddNothing", L"tarnwick.exe last   ",
                 with_nul(L"last\r\n")},
        CopyCase{"ScriptsAndCharactersAboveBmp",
                 L"tarnwick.exe \U0001F600 \u65e5\u672c\u8a9e \u0395\u03bb\u03bb\u03ac\u03b4\u03b1 "
                 L"\u05e2\u05d1\u05e8\u05d9\u05ea \U00010348x",
                 with_nul(L"\U0001F600\r\n\u65e5\u672c\u8a9e\r\n\u0395\u03bb\u03bb\u03ac"
                              L"\u03b4\u03b1\r\n\u05e2\u05d1\u05e8\u05d9\u05ea\r\n\U00010348x\r\n")},
        CopyCase{"LoneSurrogateTravelsUnchanged", L"tarnwick.exe a\xD800z",
                 with_nul(L"a\xD800z\r\n")},
        CopyCase{"LoneHighSurrogateEndsAnArgument", L"tarnwick.exe a\xD83D next\xDBFF",
                 with_nul(L"a\xD83D\r\nnext\xDBFF\r\n")},
        CopyCase{"LoneLowSurrogate", L"tarnwick.exe \xDE00x", with_nul(L"\xDE00x\r\n")},
        CopyCase{"ReversedSurrogatePair", L"tarnwick.exe \xDE00\xD83D", with_nul(L"\xDE00\xD83D\r\n")},
        CopyCase{"ScriptsEmptyAndQuotedPathInOne",
                 L"\"C:\\Program Files\\Tarnwick\\tarnwick.exe\" \"\" \u65e5\u672c\u8a9e "
                 L"\U0001F600 \"a b\" \u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u05e2\u05d1\u05e8",
                 with_nul(L"\r\n\u65e5\u672c\u8a9e\r\n\U0001F600\r\na b\r\n"
                       L"\u0395\u03bb\u03bb\u03ac\u03b4\u03b1\r\n\u05e2\u05d1\u05e8\r\n")},
        CopyCase{"LeadingSpacesBeforeProgramName", L"   tarnwick.exe a",
                 with_nul(L"a\r\n")},
        long_case()),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
