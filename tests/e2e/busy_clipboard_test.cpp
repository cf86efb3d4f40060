// With another process holding the clipboard, the program gives up at once:
// no dialog, no wait, a non-zero status, and the clipboard as it was.
#include <gtest/gtest.h>

#include <string>

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

// Another program holding the clipboard with a window of its own (with a
// null window, Wine lets others in). It lets go when it goes out of scope,
// also when a check fails half-way.
class ClipboardHolder {
public:
    explicit ClipboardHolder(const std::wstring& text) : window_(create_message_window()) {
        holding_ = window_ != nullptr && write_clipboard_text(text, window_) && OpenClipboard(window_);
    }
    ~ClipboardHolder() { let_go(); }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    bool holding() const { return holding_; }
    void let_go() {
        if (holding_) CloseClipboard();
        if (window_ != nullptr) DestroyWindow(window_);
        holding_ = false;
        window_ = nullptr;
    }

private:
    HWND window_;
    bool holding_ = false;
};

TEST(BusyClipboard, RunEndsPromptlyWithoutDialogAndLeavesTextInPlace) {
    const ULONGLONG freeRun = time_of_free_run();
    const ULONGLONG prompt = 2 * freeRun + 5'000;
    ClipboardHolder holder(L"held by another program");
    ASSERT_TRUE(holder.holding());

    const StartedProcess started = start_tarnwick(L"tarnwick.exe would replace it");
    const ULONGLONG startedAt = GetTickCount64();
    bool showedWindow = false;
    while (WaitForSingleObject(started.process.get(), 50) == WAIT_TIMEOUT &&
           GetTickCount64() - startedAt < 2 * prompt)
        showedWindow = showedWindow || !windows_of(started.id).empty();
    const ULONGLONG took = GetTickCount64() - startedAt;
    const auto status = wait_for_exit(started, 0);
    holder.let_go();

    EXPECT_EQ(status, kClipboardBusy) << "the run did not end on its own";
    EXPECT_LT(took, prompt) << "the run waited for the clipboard (a free run took " << freeRun << " ms)";
    EXPECT_FALSE(showedWindow);
    EXPECT_EQ(read_clipboard_block(), with_nul(L"held by another program"));
}

}  // namespace
}  // namespace tarnwick::testing
