#include "clipboard_listener.h"

#include <algorithm>

#include "clipboard_access.h"

namespace tarnwick::testing {
namespace {

constexpr wchar_t kWindowClass[] = L"TarnwickTestClipboardListener";

// 0, 7, 14, 0, 7, … milliseconds up to 20: short and long reads alike.
DWORD hold_for_update(int update) { return static_cast<DWORD>(update * 7 % 21); }

}  // namespace

ClipboardListener::ClipboardListener(std::optional<DWORD> holdMs) : holdMs_(holdMs) {
    std::atomic<bool> ready = false;
    thread_ = std::thread([this, &ready] { listen(ready); });
    while (!ready) Sleep(1);
}

ClipboardListener::~ClipboardListener() {
    if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
}

void ClipboardListener::listen(std::atomic<bool>& ready) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &window_procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);  // fails harmlessly when an earlier listener registered it
    const HWND window = CreateWindowExW(0, kWindowClass, L"clipboard listener", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, windowClass.hInstance, this);
    if (window != nullptr && !AddClipboardFormatListener(window)) {
        DestroyWindow(window);
    } else {
        window_ = window;
    }
    ready = true;
    if (window_ == nullptr) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}

bool ClipboardListener::has_read(const std::wstring& block, DWORD waitMs) const {
    const ULONGLONG startedAt = GetTickCount64();
    for (;;) {
        {
            const std::lock_guard<std::mutex> hold(textsLock_);
            if (std::find(textsRead_.begin(), textsRead_.end(), block) != textsRead_.end()) return true;
        }
        if (GetTickCount64() - startedAt >= waitMs) return false;
        Sleep(5);
    }
}

void ClipboardListener::read_and_hold(HWND window) {
    if (!open_clipboard_patiently(window)) return;  // held for seconds: this update is missed, as it would be
    if (std::optional<std::wstring> block = block_of_open_clipboard()) {
        const std::lock_guard<std::mutex> hold(textsLock_);
        textsRead_.push_back(std::move(*block));
    }
    Sleep(holdMs_.value_or(hold_for_update(updatesRead_)));
    ++updatesRead_;
    CloseClipboard();
}

LRESULT CALLBACK ClipboardListener::window_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* listener = reinterpret_cast<ClipboardListener*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_CLIPBOARDUPDATE:
            listener->read_and_hold(window);
            return 0;
        case WM_DESTROY:
            RemoveClipboardFormatListener(window);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace tarnwick::testing
