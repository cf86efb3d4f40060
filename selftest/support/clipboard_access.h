// Reading and writing the Windows clipboard from the test programs, with the
// system API the way any other program would.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarnwick::testing {

// Opens the clipboard with `owner`, waiting up to two seconds while another
// program holds it. The caller closes it.
bool open_clipboard_patiently(HWND owner);

// A clipboard block as the program places it: the text and one NUL.
inline std::wstring with_nul(const std::wstring& text) { return text + L'\0'; }

// Blocks of global memory as they are on the clipboard: each format with
// every byte of its block.
using ClipboardBlocks = std::vector<std::pair<UINT, std::string>>;

// The formats on the clipboard that this thread has open, in the order
// EnumClipboardFormats gives them, those Windows synthesizes included.
std::vector<UINT> formats_of_open_clipboard();

// Every byte of one format's block on the clipboard that this thread has
// open (GlobalSize of it); nothing when the format is not there.
std::optional<std::string> bytes_of_open_clipboard(UINT format);

// The CF_UNICODETEXT block of the clipboard that this thread has open, every
// code unit of it (the NUL included): its size is the block's size in bytes
// divided by two.
std::optional<std::wstring> block_of_open_clipboard();

// block_of_open_clipboard, opening and closing the clipboard. Empty when the
// clipboard holds no Unicode text, or stays busy for two seconds.
std::optional<std::wstring> read_clipboard_block(HWND owner = nullptr);

// Empties the clipboard and places each block under its format; waits up to
// two seconds for a busy clipboard.
bool write_clipboard_blocks(const ClipboardBlocks& blocks, HWND owner = nullptr);

// The bytes of a CF_UNICODETEXT block holding exactly these code units.
std::string bytes_of(const std::wstring& units);

// write_clipboard_blocks for exactly `block`'s code units as CF_UNICODETEXT,
// or an empty clipboard for no block.
bool write_clipboard_block(const std::optional<std::wstring>& block, HWND owner = nullptr);

// write_clipboard_block for `text` plus a NUL.
bool write_clipboard_text(const std::wstring& text, HWND owner = nullptr);

// A message-only window: opening the clipboard with a real window makes it
// busy for every other process (with a null window, Wine lets others in).
HWND create_message_window();

// Destroys a window when its owner goes out of scope.
struct DestroyWindowOnExit {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using unique_window = std::unique_ptr<std::remove_pointer_t<HWND>, DestroyWindowOnExit>;

}  // namespace tarnwick::testing
