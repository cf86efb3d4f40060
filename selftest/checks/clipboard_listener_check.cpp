// Beside a clipboard listener of the self-test's own, as clipboard history and
// clipboard managers are beside the program on a desktop: every copy gives it
// exactly one update, in which it finds that copy's whole text; a run that
// found the clipboard held gives it none; and it never finds the clipboard
// empty, as it would if the program emptied and filled it in two holds.
#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "clipboard_holder.h"
#include "clipboard_listener.h"
#include "command_line_quoting.h"
#include "utf8.h"
#include "watched_run.h"

namespace tarnwick::testing {
namespace {

constexpr int kRuns = 30;
constexpr int kEveryBusyRun = 5;  // every fifth run starts while the check holds the clipboard

using Reads = std::vector<std::optional<std::wstring>>;

std::string described(const Reads& reads) {
    if (reads.empty()) return "no update";
    std::string said = std::to_string(reads.size()) + (reads.size() == 1 ? " update, which found " : " updates, which found ");
    for (size_t i = 0; i < reads.size(); ++i)
        said += (i == 0 ? "" : "; ") + (reads[i] ? ::testing::PrintToString(*reads[i]) : std::string("no text at all"));
    return said;
}

// The updates the listener has read since the last call.
Reads new_reads(const ClipboardListener& listener, size_t& readBefore) {
    const Reads all = listener.reads();
    const Reads fresh(all.begin() + static_cast<std::ptrdiff_t>(readBefore), all.end());
    readBefore = all.size();
    return fresh;
}

TEST(ClipboardListener, SeesOneUpdatePerCopyNoneForABusyRunAndNeverAnEmptyClipboard) {
    const ClipboardListener listener;
    ASSERT_TRUE(listener.listening()) << "could not register a clipboard listener";
    ASSERT_TRUE(write_clipboard_text(L"before the first run"));
    ASSERT_TRUE(listener.catch_up());
    size_t read = listener.reads().size();

    for (int run = 1; run <= kRuns; ++run) {
        const std::vector<std::wstring> arguments{L"run", std::to_wstring(run), L"\U0001F600 with the listener"};
        const std::wstring commandLine = command_line_for(L"tarnwick.exe", arguments);
        if (run % kEveryBusyRun == 0) {
            ClipboardHolder holder;
            ASSERT_TRUE(holder.holding()) << "the check could not hold its own clipboard";
            const WatchedRun result = run_and_watch(commandLine);
            holder.let_go();
            ASSERT_TRUE(result.seen.empty()) << "run " << run << ": " << result.what_else_was_seen();
            ASSERT_TRUE(result.status.has_value()) << "run " << run << ": " << did_not_end();
            ASSERT_EQ(result.status, kClipboardBusy) << "run " << run << " started while the clipboard was held";
            ASSERT_TRUE(listener.catch_up());
            const Reads reads = new_reads(listener, read);
            ASSERT_TRUE(reads.empty()) << "run " << run << " found the clipboard held, yet the listener got "
                                       << described(reads);
            continue;
        }
        const WatchedRun result = run_and_watch(commandLine);
        ASSERT_TRUE(result.seen.empty()) << "run " << run << ": " << result.what_else_was_seen();
        ASSERT_TRUE(result.status.has_value()) << "run " << run << ": " << did_not_end();
        ASSERT_NE(result.status, kClipboardBusy) << "run " << run << ": " << said_busy_with_nobody_there();
        ASSERT_EQ(result.status, 0u) << "run " << run << " did not copy";
        ASSERT_TRUE(listener.catch_up());
        const Reads reads = new_reads(listener, read);
        ASSERT_TRUE(reads == Reads{clipboard_block_for(arguments)})
            << "run " << run << " copied; the listener should have read its text once, and got " << described(reads);
    }
    RecordProperty("note", std::to_string(kRuns - kRuns / kEveryBusyRun) + " copies, each read once by the listener; " +
                               std::to_string(kRuns / kEveryBusyRun) + " runs on a held clipboard, which gave it none");
}

}  // namespace
}  // namespace tarnwick::testing
