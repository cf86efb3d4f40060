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

#include "tarnwick_process.h"

namespace tarnwick::testing {

// On a thread of its own, a message-only window registered with
// AddClipboardFormatListener. On every WM_CLIPBOARDUPDATE it opens the
// clipboard with that window (waiting, as clipboard history does, while
// another program holds it), reads CF_UNICODETEXT and keeps the clipboard
// open `holdMs` before it closes it.
class ClipboardListener {
public:
    explicit ClipboardListener(DWORD holdMs = 0);
    ~ClipboardListener();  // unregisters, destroys the window and ends the thread
    ClipboardListener(const ClipboardListener&) = delete;
    ClipboardListener& operator=(const ClipboardListener&) = delete;

    bool listening() const { return window_ != nullptr; }

    // Returns once every update posted before the call has been read. Windows
    // posts WM_CLIPBOARDUPDATE when a changed clipboard is closed, so after a
    // program has ended its updates are queued, and the marker this posts
    // behind them is handled after them. False when it was not within 10 s.
    bool catch_up() const;

    // What each update found on the clipboard, in order: its CF_UNICODETEXT
    // block, or nothing when it held none (or stayed busy for two seconds).
    std::vector<std::optional<std::wstring>> reads() const;

private:
    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void listen(std::atomic<bool>& ready);
    void read(HWND window);

    DWORD holdMs_;
    std::thread thread_;
    HWND window_ = nullptr;
    unique_handle caughtUp_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    mutable std::mutex readsLock_;
    std::vector<std::optional<std::wstring>> reads_;
};

}  // namespace tarnwick::testing
