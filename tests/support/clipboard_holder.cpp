#include "clipboard_holder.h"

#include <future>

#include "clipboard_access.h"
#include "settled_clipboard.h"

namespace tarnwick::testing {

ClipboardHolder::ClipboardHolder(const std::wstring& text) {
    std::promise<bool> opened;
    std::future<bool> holding = opened.get_future();
    thread_ = std::thread([this, &text, &opened] {
        const HWND window = create_message_window();
        const bool holds = window != nullptr && write_clipboard_text(text, window) && let_clipboard_settle() &&
                           open_clipboard_patiently(window);
        threadId_ = GetCurrentThreadId();
        opened.set_value(holds);
        if (holds) {
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
            CloseClipboard();
        }
        if (window != nullptr) DestroyWindow(window);
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
