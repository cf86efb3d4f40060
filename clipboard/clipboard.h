// Clipboard: replacing the system clipboard's content with one UTF-16 text as
// CF_UNICODETEXT.
#pragma once

#include <windows.h>

#include <memory>
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

// Closes the clipboard when it goes out of scope, on every path. It holds the
// api itself, so a null guard means "not opened".
struct CloseClipboardOnExit {
    void operator()(const ClipboardApi* api) const { api->closeClipboard(); }
};
using clipboard_guard = std::unique_ptr<const ClipboardApi, CloseClipboardOnExit>;

enum class ClipboardOutcome {
    Done,     // the text is on the clipboard
    Busy,     // another program holds the clipboard open; its content is untouched
    Refused,  // the system refused: no memory, no lock, not emptied, or the block not taken
};

// Empties the clipboard that `open` holds open for the placement. False when
// the system refuses.
bool clear_clipboard(const clipboard_guard& open);

// Replaces the clipboard's content with `text` (which already ends in its NUL)
// as CF_UNICODETEXT, in a movable block of exactly two bytes per code unit.
// The block is filled before the clipboard is opened, and the clipboard is
// opened once, with no owner window, for the clear and the hand-over: a
// listener woken by an emptied clipboard cannot step in before the text is
// there. Never waits for a busy clipboard. Unless the system refuses the block
// after the clear, every failure leaves the clipboard as it was.
ClipboardOutcome place_clipboard_text(std::wstring_view text, const ClipboardApi& api);

}  // namespace tarnwick
