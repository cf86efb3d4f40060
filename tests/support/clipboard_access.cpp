#include "clipboard_access.h"

#include <cstring>

namespace tarnwick::testing {
namespace {

// Clipboard history and clipboard managers open the clipboard for a moment
// after every change: a test that reads or writes it waits that moment out.
constexpr ULONGLONG kPatienceMs = 2'000;

// Hands exactly these code units to the open clipboard as CF_UNICODETEXT.
bool place_unicode_text(const std::wstring& units) {
    const SIZE_T bytes = units.size() * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (block == nullptr) return false;
    void* data = GlobalLock(block);
    if (data != nullptr) {
        std::memcpy(data, units.data(), bytes);
        GlobalUnlock(block);
        if (SetClipboardData(CF_UNICODETEXT, block) != nullptr) return true;
    }
    GlobalFree(block);
    return false;
}

}  // namespace

bool open_clipboard_patiently(HWND owner) {
    const ULONGLONG startedAt = GetTickCount64();
    while (!OpenClipboard(owner)) {
        if (GetTickCount64() - startedAt > kPatienceMs) return false;
        Sleep(2);
    }
    return true;
}

std::optional<std::wstring> block_of_open_clipboard() {
    std::optional<std::wstring> text;
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        const SIZE_T bytes = GlobalSize(block);
        if (const void* data = GlobalLock(block)) {
            text.emplace(bytes / sizeof(wchar_t), L'\0');
            std::memcpy(text->data(), data, text->size() * sizeof(wchar_t));
            GlobalUnlock(block);
        }
    }
    return text;
}

std::optional<std::wstring> read_clipboard_block(HWND owner) {
    if (!open_clipboard_patiently(owner)) return std::nullopt;
    std::optional<std::wstring> text = block_of_open_clipboard();
    CloseClipboard();
    return text;
}

bool write_clipboard_block(const std::optional<std::wstring>& block, HWND owner) {
    if (!open_clipboard_patiently(owner)) return false;
    bool written = EmptyClipboard() != FALSE;
    if (written && block) written = place_unicode_text(*block);
    CloseClipboard();
    return written;
}

bool write_clipboard_text(const std::wstring& text, HWND owner) { return write_clipboard_block(with_nul(text), owner); }

HWND create_message_window() {
    return CreateWindowExW(0, L"STATIC", L"clipboard holder", 0, 0, 0, 0, 0, HWND_MESSAGE,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace tarnwick::testing
