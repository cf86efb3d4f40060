// Reading and writing the Windows clipboard from the test programs, with the
// system API the way any other program would.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <type_traits>
#include <string>

namespace tarnwick::testing {

// Opens the clipboard with `owner`, waiting up to two seconds while another
// program holds it. The caller closes it.
bool open_clipboard_patiently(HWND owner);

// A clipboard block as the program places it: the text and one NUL.
inline std::wstring with_nul(const std::wstring& text) { return text + L'\0'; }

// The whole CF_UNICODETEXT block, every code unit of it (the NUL included):
// its size is the block's size in bytes divided by two. Empty when the
// clipboard holds no Unicode text, or stays busy for two seconds.
std::optional<std::wstring> read_clipboard_block(HWND owner = nullptr);

// Empties the clipboard and places exactly `block`'s code units as
// CF_UNICODETEXT, or leaves it empty for no block; waits up to two seconds for
// a busy clipboard.
bool write_clipboard_block(const std::optional<std::wstring>& block, HWND owner = nullptr);

// The CF_UNICODETEXT block of the clipboard that this thread has open, as
// read_clipboard_block gives it.
std::optional<std::wstring> block_of_open_clipboard();

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
