#include "clipboard_access.h"

#include <cstring>

namespace tarnwick::testing {
namespace {

// Clipboard history and clipboard managers open the clipboard for a moment
// after every change: a test that reads or writes it waits that moment out.
constexpr ULONGLONG kPatienceMs = 2'000;

bool open_clipboard_patiently(HWND owner) {
    const ULONGLONG startedAt = GetTickCount64();
    while (!OpenClipboard(owner)) {
        if (GetTickCount64() - startedAt > kPatienceMs) return false;
        Sleep(2);
    }
    return true;
}

}  // namespace

std::optional<std::wstring> read_clipboard_block(HWND owner) {
    if (!open_clipboard_patiently(owner)) return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        const SIZE_T bytes = GlobalSize(block);
        if (const void* data = GlobalLock(block)) {
            text.emplace(bytes / sizeof(wchar_t), L'\0');
            std::memcpy(text->data(), data, text->size() * sizeof(wchar_t));
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    return text;
}

bool write_clipboard_text(const std::wstring& text, HWND owner) {
    if (!open_clipboard_patiently(owner)) return false;
    bool placed = false;
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    if (EmptyClipboard()) {
        if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            std::memcpy(GlobalLock(block), text.c_str(), bytes);
            GlobalUnlock(block);
            placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
            if (!placed) GlobalFree(block);
        }
    }
    CloseClipboard();
    return placed;
}

HWND create_message_window() {
    return CreateWindowExW(0, L"STATIC", L"clipboard holder", 0, 0, 0, 0, 0, HWND_MESSAGE,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace tarnwick::testing
