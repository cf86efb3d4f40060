// With a clipboard listener reading every change, as clipboard history and
// clipboard managers do, each run either replaces the clipboard with its own
// text or, when the clipboard was busy, leaves it exactly as it was: never
// empty, never anything else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clipboard_access.h"
#include "clipboard_listener.h"
#include "command_line_quoting.h"
#include "tarnwick_process.h"

namespace tarnwick::testing {
namespace {

constexpr int kRuns = 60;
// A busy clipboard is a sound outcome, but a run starts far more slowly than
// the listener reads: more than a few busy runs means the program holds or
// opens the clipboard when it need not.
constexpr int kMostBusyRuns = 3;

TEST(ClipboardListener, EachRunPlacesItsWholeTextOrLeavesTheClipboardAsItWas) {
    const ClipboardListener listener;
    ASSERT_TRUE(listener.listening()) << "could not register a clipboard listener";
    ASSERT_TRUE(write_clipboard_text(L"before the first run"));
    auto before = read_clipboard_block();

    int busyRuns = 0;
    for (int run = 0; run < kRuns; ++run) {
        // Every other run starts while the listener is still reading a change
        // the test has just made.
        if (run % 2 == 0) {
            ASSERT_TRUE(write_clipboard_text(L"changed just before run " + std::to_wstring(run)));
            before = read_clipboard_block();
        }
        const std::vector<std::wstring> arguments{L"run", std::to_wstring(run), L"\U0001F600 with the listener"};

        const auto status = wait_for_exit(start_tarnwick(command_line_for(L"tarnwick.exe", arguments)), kLongestRunMs);

        const auto after = read_clipboard_block();
        if (status == 0u && after == clipboard_block_for(arguments)) {
            before = after;
        } else if (status == 1u && after == before) {
            ++busyRuns;
        } else {
            ADD_FAILURE() << "run " << run << " ended with status " << ::testing::PrintToString(status)
                          << "; the clipboard held " << ::testing::PrintToString(before) << " before it and "
                          << ::testing::PrintToString(after) << " after it";
            before = after;
        }
    }
    EXPECT_LE(busyRuns, kMostBusyRuns) << "of " << kRuns << " runs found the clipboard busy";
    EXPECT_GT(listener.updates_read(), 0) << "the listener never read the clipboard";
}

}  // namespace
}  // namespace tarnwick::testing
