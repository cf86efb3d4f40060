// With another process holding the clipboard, the program gives up at once:
// no dialog, no wait, status 1, and the clipboard as it was. "At once" is
// judged as every run is: the whole run beside a start of a program that does
// nothing (watched_run.h), so a program that waits half a second fails however
// fast or slowly this machine starts programs.
#include <gtest/gtest.h>

#include <string>

#include "clipboard_access.h"
#include "clipboard_holder.h"
#include "watched_run.h"

namespace tarnwick::testing {
namespace {

TEST(BusyClipboard, RunEndsPromptlyWithoutDialogAndLeavesTextInPlace) {
    ASSERT_TRUE(write_clipboard_text(L"held by another program"));
    ClipboardHolder holder;
    ASSERT_TRUE(holder.holding()) << "the check could not hold its own clipboard";

    const WatchedRun run = run_and_watch(L"tarnwick.exe would replace it");
    holder.let_go();

    RecordProperty("note", "the busy run took " + std::to_string(run.tookMs) +
                               " ms, the fastest start of a program that does nothing " +
                               std::to_string(fastest_reference_ms()) + " ms");
    EXPECT_TRUE(run.seen.empty()) << run.what_else_was_seen();
    ASSERT_TRUE(run.status.has_value()) << did_not_end();
    EXPECT_EQ(run.status, kClipboardBusy);
    EXPECT_FALSE(run.changedClipboard) << "the clipboard changed";
    EXPECT_EQ(read_clipboard_block(), with_nul(L"held by another program"));
}

}  // namespace
}  // namespace tarnwick::testing
