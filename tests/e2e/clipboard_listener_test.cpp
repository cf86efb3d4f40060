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
// How long the listener may take to read a text once the run has ended.
constexpr DWORD kListenerReadsWithinMs = 2'000;

TEST(ClipboardListener, EachRunPlacesItsWholeTextOrLeavesTheClipboardAsItWas) {
    const ClipboardListener listener;
    ASSERT_TRUE(listener.listening()) << "could not register a clipboard listener";
    ASSERT_TRUE(write_clipboard_text(L"before the first run"));

    int busyAfterChange = 0, placed = 0;
    for (int run = 0; run < kRuns; ++run) {
        const std::vector<std::wstring> arguments{L"run", std::to_wstring(run), L"\U0001F600 with the listener"};
        const std::wstring commandLine = command_line_for(L"tarnwick.exe", arguments);
        // Every other run starts while the listener (and any other program
        // that reads the clipboard) is still reading a change the test has
        // just made: it may well find the clipboard busy. The others start on
        // a settled clipboard, where busy answers count against the program
        // unless another program was seen holding the clipboard.
        const bool rightAfterChange = run % 2 == 0;
        ClipboardRun result;
        if (rightAfterChange) {
            const std::wstring change = L"changed just before run " + std::to_wstring(run);
            ASSERT_TRUE(write_clipboard_text(change));
            result = run_and_read_clipboard(commandLine, with_nul(change));
        } else {
            result = run_on_settled_clipboard(commandLine);
        }

        ASSERT_TRUE(result.status.has_value()) << "run " << run << ": " << did_not_end();
        const std::wstring block = clipboard_block_for(arguments);
        if (result.status == 0u && result.after == block) {
            ++placed;
            EXPECT_TRUE(result.let_go_promptly()) << "run " << run << ": " << held_too_long(result);
            // Clipboard history sees every copy: the listener must have read
            // this one before the next change replaces it.
            EXPECT_TRUE(listener.has_read(block, kListenerReadsWithinMs))
                << "run " << run << " placed its text, but the listener never read it";
            continue;
        }
        if (result.found_clipboard_busy() && rightAfterChange) {
            ++busyAfterChange;
            continue;
        }
        if (result.found_clipboard_busy()) GTEST_SKIP() << "run " << run << ": " << busy_on_every_start(result.busyStarts);
        ADD_FAILURE() << "run " << run << " ended with status " << *result.status << "; the clipboard held "
                      << ::testing::PrintToString(result.before) << " before it and "
                      << ::testing::PrintToString(result.after) << " after it";
    }
    RecordProperty("note", std::to_string(placed) + " of " + std::to_string(kRuns) + " runs placed their text; " +
                               std::to_string(busyAfterChange) + " of the " + std::to_string(kRuns / 2) +
                               " started right after a change found the clipboard busy");
}

}  // namespace
}  // namespace tarnwick::testing
