#include "clipboard_access.h"

#include <cstring>

namespace tarnwick::testing {
namespace {

// Clipboard history and clipboard managers open the clipboard for a moment
// after every change: a test that reads or writes it waits that moment out.
constexpr ULONGLONG kPatienceMs = 2'000;

// Hands exactly these bytes to the open clipboard under `format`.
bool place_block(UINT format, const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (block == nullptr) return false;
    void* data = GlobalLock(block);
    if (data != nullptr) {
        std::memcpy(data, bytes.data(), bytes.size());
        GlobalUnlock(block);
        if (SetClipboardData(format, block) != nullptr) return true;
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

std::vector<UINT> formats_of_open_clipboard() {
    std::vector<UINT> formats;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        formats.push_back(format);
    return formats;
}

std::optional<std::string> bytes_of_open_clipboard(UINT format) {
    std::optional<std::string> bytes;
    if (HANDLE block = GetClipboardData(format)) {
        if (const void* data = GlobalLock(block)) {
            bytes.emplace(static_cast<const char*>(data), GlobalSize(block));
            GlobalUnlock(block);
        }
    }
    return bytes;
}

std::optional<std::wstring> block_of_open_clipboard() {
    const std::optional<std::string> bytes = bytes_of_open_clipboard(CF_UNICODETEXT);
    if (!bytes) return std::nullopt;
    std::wstring units(bytes->size() / sizeof(wchar_t), L'\0');
    std::memcpy(units.data(), bytes->data(), units.size() * sizeof(wchar_t));
    return units;
}

std::optional<std::wstring> read_clipboard_block(HWND owner) {
    if (!open_clipboard_patiently(owner)) return std::nullopt;
    std::optional<std::wstring> text = block_of_open_clipboard();
    CloseClipboard();
    return text;
}

bool write_clipboard_blocks(const ClipboardBlocks& blocks, HWND owner) {
    if (!open_clipboard_patiently(owner)) return false;
    bool written = EmptyClipboard() != FALSE;
    for (const auto& [format, bytes] : blocks) written = written && place_block(format, bytes);
    CloseClipboard();
    return written;
}

std::string bytes_of(const std::wstring& units) {
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(wchar_t));
}

bool write_clipboard_block(const std::optional<std::wstring>& block, HWND owner) {
    if (!block) return write_clipboard_blocks({}, owner);
    return write_clipboard_blocks({{CF_UNICODETEXT, bytes_of(*block)}}, owner);
}

bool write_clipboard_text(const std::wstring& text, HWND owner) { return write_clipboard_block(with_nul(text), owner); }

HWND create_message_window() {
    return CreateWindowExW(0, L"STATIC", L"clipboard holder", 0, 0, 0, 0, 0, HWND_MESSAGE,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace tarnwick::testing
