// Clipboard: emptying the system clipboard and placing one UTF-16 text on it
// as CF_UNICODETEXT.
#pragma once

#include <windows.h>

#include <string_view>

namespace tarnwick {

// The system calls the clear and the placement make, behind a seam so that
// tests can make any one of them fail and check what was released.
struct ClipboardApi {
    BOOL(WINAPI* openClipboard)(HWND owner);
    BOOL(WINAPI* emptyClipboard)();
    BOOL(WINAPI* closeClipboard)();
    HGLOBAL(WINAPI* globalAlloc)(UINT flags, SIZE_T bytes);
    LPVOID(WINAPI* globalLock)(HGLOBAL block);
    BOOL(WINAPI* globalUnlock)(HGLOBAL block);
    HGLOBAL(WINAPI* globalFree)(HGLOBAL block);
    HANDLE(WINAPI* setClipboardData)(UINT format, HANDLE data);
};

ClipboardApi system_clipboard_api();

enum class ClipboardOutcome {
    Done,     // the clipboard was emptied, or the text placed
    Busy,     // another program holds the clipboard open
    Refused,  // the system refused: no memory, no lock, or the block not taken
};

// Empties the clipboard, holding it open only for the length of this call.
ClipboardOutcome clear_clipboard(const ClipboardApi& api);

// Places `text` (which already ends in its NUL) as CF_UNICODETEXT, in a movable
// block of exactly two bytes per code unit. Never waits for a busy clipboard.
ClipboardOutcome place_clipboard_text(std::wstring_view text, const ClipboardApi& api);

}  // namespace tarnwick
