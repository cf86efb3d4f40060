// With another process holding the clipboard, the program gives up at once:
// no dialog, no wait, a non-zero status, and the clipboard as it was.
#include <gtest/gtest.h>

#include "clipboard_access.h"
#include "tarnwick_process.h"

namespace tarnwick::testing {
namespace {

constexpr DWORD kClipboardBusy = 1;

// How long one ordinary run takes here, start-up included (under emulation
// that is most of a minute), so that "promptly" means the same everywhere.
ULONGLONG time_of_free_run() {
    const ULONGLONG startedAt = GetTickCount64();
    EXPECT_EQ(wait_for_exit(start_tarnwick(L"tarnwick.exe reference"), kLongestRunMs), 0u);
    return GetTickCount64() - startedAt;
}

TEST(BusyClipboard, RunEndsPromptlyWithoutDialogAndLeavesTextInPlace) {
    const ULONGLONG freeRun = time_of_free_run();
    const ULONGLONG prompt = 2 * freeRun + 5'000;
    const HWND holder = create_message_window();
    ASSERT_NE(holder, nullptr);
    ASSERT_TRUE(write_clipboard_text(L"held by another program", holder));
    ASSERT_TRUE(OpenClipboard(holder));

    const StartedProcess started = start_tarnwick(L"tarnwick.exe would replace it");
    const ULONGLONG startedAt = GetTickCount64();
    bool showedWindow = false;
    while (WaitForSingleObject(started.process.get(), 50) == WAIT_TIMEOUT &&
           GetTickCount64() - startedAt < 2 * prompt)
        showedWindow = showedWindow || !windows_of(started.id).empty();
    const ULONGLONG took = GetTickCount64() - startedAt;
    const auto status = wait_for_exit(started, 0);
    CloseClipboard();
    DestroyWindow(holder);

    EXPECT_EQ(status, kClipboardBusy) << "the run did not end on its own";
    EXPECT_LT(took, prompt) << "the run waited for the clipboard (a free run took " << freeRun << " ms)";
    EXPECT_FALSE(showedWindow);
    EXPECT_EQ(read_clipboard_block(), with_nul(L"held by another program"));
}

}  // namespace
}  // namespace tarnwick::testing
