// A clipboard listener of the kind clipboard history and clipboard managers
// are: it reads every new content of the clipboard as soon as it appears.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick::testing {

// On a thread of its own, a message-only window registered with
// AddClipboardFormatListener. On every WM_CLIPBOARDUPDATE it opens the
// clipboard with that window (waiting, as clipboard history does, while
// another program holds it), reads CF_UNICODETEXT and keeps the clipboard
// open for a while, so that another program's open at that moment fails: for
// `holdMs`, or when none is given a few milliseconds (0 to 20, varying from
// update to update).
class ClipboardListener {
public:
    explicit ClipboardListener(std::optional<DWORD> holdMs = std::nullopt);
    ~ClipboardListener();  // unregisters, destroys the window and ends the thread
    ClipboardListener(const ClipboardListener&) = delete;
    ClipboardListener& operator=(const ClipboardListener&) = delete;

    bool listening() const { return window_ != nullptr; }

    // Whether it has read this whole CF_UNICODETEXT block (every code unit),
    // waiting up to `waitMs` for it to do so.
    bool has_read(const std::wstring& block, DWORD waitMs) const;

private:
    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void listen(std::atomic<bool>& ready);
    void read_and_hold(HWND window);

    std::optional<DWORD> holdMs_;
    std::thread thread_;
    HWND window_ = nullptr;
    std::atomic<int> updatesRead_ = 0;
    mutable std::mutex textsLock_;
    std::vector<std::wstring> textsRead_;
};

}  // namespace tarnwick::testing
