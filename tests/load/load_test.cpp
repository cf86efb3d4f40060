// Many runs in a row, and two at once: no text is ever lost or mixed.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "command_line_quoting.h"
#include "tarnwick_process.h"

namespace tarnwick::testing {
namespace {

// Arguments built from the pieces that are hardest to carry: quotes,
// backslashes (before quotes, too), blanks, empty arguments and characters
// above U+FFFF.
std::vector<std::wstring> random_arguments(std::mt19937& random) {
    static const std::wstring pieces[] = {L"a", L"Z", L" ", L"\t", L"\"", L"\\", L"\\\\\"", L"\u00e9",
                                          L"\u65e5", L"\U0001F600", L"\U00010348", L"-x", L"C:\\dir\\"};
    std::uniform_int_distribution<size_t> pieceOf(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> count(1, 8), length(0, 6);
    std::vector<std::wstring> arguments(static_cast<size_t>(count(random)));
    for (std::wstring& argument : arguments)
        for (int i = length(random); i > 0; --i) argument += pieces[pieceOf(random)];
    return arguments;
}

TEST(Load, FiftyRunsInARowEachPlaceTheirTextExactly) {
    std::mt19937 random(20261208);
    for (int run = 0; run < 50; ++run) {
        const std::vector<std::wstring> arguments = random_arguments(random);
        const std::wstring line = command_line_for(L"C:\\Tools\\tarnwick.exe", arguments);
        ASSERT_EQ(wait_for_exit(start_tarnwick(line), longest_run_ms()), 0u) << "run " << run;
        ASSERT_EQ(read_clipboard_block(), clipboard_block_for(arguments))
            << "run " << run << ", command line " << ::testing::PrintToString(line);
    }
}

// Both processes are created suspended and let go together.
std::pair<DWORD, DWORD> run_two_at_once(const std::wstring& first, const std::wstring& second) {
    const StartedProcess a = start_tarnwick(first, CREATE_SUSPENDED);
    const StartedProcess b = start_tarnwick(second, CREATE_SUSPENDED);
    ResumeThread(a.thread.get());
    ResumeThread(b.thread.get());
    return {wait_for_exit(a, longest_run_ms()).value_or(99), wait_for_exit(b, longest_run_ms()).value_or(99)};
}

TEST(Load, TwoRunsAtOnceLeaveOneWholeTextNeverAMixOrNothing) {
    for (int round = 0; round < 10; ++round) {
        const std::vector<std::wstring> first{L"first", L"round " + std::to_wstring(round), L"\U0001F600"};
        const std::vector<std::wstring> second{L"second", L"round " + std::to_wstring(round)};
        ASSERT_TRUE(write_clipboard_text(L"before both"));

        const auto [firstStatus, secondStatus] =
            run_two_at_once(command_line_for(L"tarnwick.exe", first), command_line_for(L"tarnwick.exe", second));

        const auto placed = read_clipboard_block();
        const bool holdsFirst = placed == clipboard_block_for(first);
        const bool holdsSecond = placed == clipboard_block_for(second);
        SCOPED_TRACE("round " + std::to_string(round) + ", statuses " + std::to_string(firstStatus) + " and " +
                     std::to_string(secondStatus) + ", clipboard " + ::testing::PrintToString(placed));
        EXPECT_TRUE(firstStatus <= 2 && secondStatus <= 2) << "a run did not end";
        const bool eitherReportedSuccess = firstStatus == 0 || secondStatus == 0;
        EXPECT_TRUE(!eitherReportedSuccess || holdsFirst || holdsSecond) << "success reported, no whole text placed";
        EXPECT_TRUE(!holdsFirst || firstStatus == 0) << "the first placed its text but reported failure";
        EXPECT_TRUE(!holdsSecond || secondStatus == 0) << "the second placed its text but reported failure";
    }
}

}  // namespace
}  // namespace tarnwick::testing
