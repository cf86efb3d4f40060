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
#include "settled_clipboard.h"
#include "tarnwick_process.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

constexpr int kRuns = 60;

TEST(ClipboardListener, EachRunPlacesItsWholeTextOrLeavesTheClipboardAsItWas) {
    const ClipboardListener listener;
    ASSERT_TRUE(listener.listening()) << "could not register a clipboard listener";
    ASSERT_TRUE(write_clipboard_text(L"before the first run"));

    int busyAfterChange = 0, busyStartsWhenSettled = 0;
    for (int run = 0; run < kRuns; ++run) {
        const std::vector<std::wstring> arguments{L"run", std::to_wstring(run), L"\U0001F600 with the listener"};
        const std::wstring commandLine = command_line_for(L"tarnwick.exe", arguments);
        // Every other run starts while the listener (and any other program
        // that reads the clipboard) is still reading a change the test has
        // just made: it may well find the clipboard busy. The others start on
        // a settled clipboard and must place their text, or a program that
        // always says "busy" would pass.
        const bool rightAfterChange = run % 2 == 0;
        ClipboardRun result;
        if (rightAfterChange) {
            const std::wstring change = L"changed just before run " + std::to_wstring(run);
            ASSERT_TRUE(write_clipboard_text(change));
            result = run_and_read_clipboard(commandLine, with_nul(change));
        } else {
            result = run_on_settled_clipboard(commandLine);
            busyStartsWhenSettled += result.busyStarts;
        }

        ASSERT_TRUE(result.status.has_value()) << "run " << run << ": " << did_not_end();
        if (result.status == 0u && result.after == clipboard_block_for(arguments)) continue;
        if (result.found_clipboard_busy()) {
            if (rightAfterChange) {
                ++busyAfterChange;
                continue;
            }
            if (!result.settledBeforeEachStart) GTEST_SKIP() << busy_on_every_start(result.busyStarts);
            FAIL() << "run " << run << " found the clipboard busy on each of its " << result.busyStarts
                   << " starts, though nobody had used the clipboard for 100 ms before each";
        }
        ADD_FAILURE() << "run " << run << " ended with status " << *result.status << "; the clipboard held "
                      << ::testing::PrintToString(result.before) << " before it and "
                      << ::testing::PrintToString(result.after) << " after it";
    }
    EXPECT_GT(listener.updates_read(), 0) << "the listener never read the clipboard";
    RecordProperty("note", std::to_string(busyAfterChange) + " of " + std::to_string(kRuns / 2) +
                               " runs started right after a change found the clipboard busy; " +
                               std::to_string(busyStartsWhenSettled) +
                               " starts on a settled clipboard did, and were started again");
}

}  // namespace
}  // namespace tarnwick::testing
