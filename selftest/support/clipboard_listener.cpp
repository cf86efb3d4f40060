#include "clipboard_listener.h"

#include "clipboard_access.h"
#include "private_station.h"

namespace tarnwick::testing {
namespace {

constexpr wchar_t kWindowClass[] = L"TarnwickTestClipboardListener";
constexpr UINT kCatchUp = WM_APP;
constexpr DWORD kMostCatchUpMs = 10'000;

}  // namespace

ClipboardListener::ClipboardListener(DWORD holdMs) : holdMs_(holdMs) {
    std::atomic<bool> ready = false;
    thread_ = std::thread([this, &ready] { listen(ready); });
    while (!ready) Sleep(1);
}

ClipboardListener::~ClipboardListener() {
    if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
}

void ClipboardListener::listen(std::atomic<bool>& ready) {
    // A thread that cannot join the private desktop would listen to the user's clipboard.
    if (!use_private_desktop_on_this_thread()) {
        ready = true;
        return;
    }
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

bool ClipboardListener::catch_up() const {
    return PostMessageW(window_, kCatchUp, 0, 0) && WaitForSingleObject(caughtUp_.get(), kMostCatchUpMs) == WAIT_OBJECT_0;
}

std::vector<std::optional<std::wstring>> ClipboardListener::reads() const {
    const std::lock_guard<std::mutex> hold(readsLock_);
    return reads_;
}

void ClipboardListener::read(HWND window) {
    std::optional<std::wstring> block;
    if (open_clipboard_patiently(window)) {
        block = block_of_open_clipboard();
        Sleep(holdMs_);
        CloseClipboard();
    }
    const std::lock_guard<std::mutex> hold(readsLock_);
    reads_.push_back(std::move(block));
}

LRESULT CALLBACK ClipboardListener::window_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* listener = reinterpret_cast<ClipboardListener*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_CLIPBOARDUPDATE:
            listener->read(window);
            return 0;
        case kCatchUp:
            SetEvent(listener->caughtUp_.get());
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
