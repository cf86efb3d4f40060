#include "clipboard_holder.h"

#include <future>

#include "clipboard_access.h"
#include "private_station.h"

namespace tarnwick::testing {

ClipboardHolder::ClipboardHolder() {
    std::promise<bool> opened;
    std::future<bool> holding = opened.get_future();
    thread_ = std::thread([this, &opened] {
        // A thread that cannot join the private desktop would hold the user's clipboard.
        const bool joined = use_private_desktop_on_this_thread();
        const unique_window window(joined ? create_message_window() : nullptr);  // destroyed after the clipboard is closed
        const bool holds = window && open_clipboard_patiently(window.get());
        threadId_ = GetCurrentThreadId();
        opened.set_value(holds);
        if (holds) {
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
            CloseClipboard();
        }
    });
    holding_ = holding.get();
}

void ClipboardHolder::let_go() {
    if (!thread_.joinable()) return;
    if (holding_) PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
    holding_ = false;
}

}  // namespace tarnwick::testing
