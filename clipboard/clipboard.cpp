#include "clipboard/clipboard.h"

#include <cstring>

namespace tarnwick {
namespace {

clipboard_guard open_clipboard(const ClipboardApi& api) {
    // No owner window: the program has none, and the text outlives the process.
    if (!api.openClipboard(nullptr)) return clipboard_guard{};
    return clipboard_guard{&api};
}

// Owns a global block until the clipboard takes it.
struct GlobalFreeOnExit {
    const ClipboardApi* api;
    void operator()(void* block) const { api->globalFree(block); }
};
using unique_hglobal = std::unique_ptr<void, GlobalFreeOnExit>;

// A movable block holding every code unit of `text`, unlocked and ready to
// hand over; null when the system gives no memory or no lock.
unique_hglobal block_holding(std::wstring_view text, const ClipboardApi& api) {
    const size_t bytes = text.size() * sizeof(wchar_t);
    unique_hglobal block(api.globalAlloc(GMEM_MOVEABLE, bytes), GlobalFreeOnExit{&api});
    if (!block) return block;
    void* units = api.globalLock(block.get());
    if (units == nullptr) return unique_hglobal(nullptr, GlobalFreeOnExit{&api});
    std::memcpy(units, text.data(), bytes);
    api.globalUnlock(block.get());
    return block;
}

}  // namespace

ClipboardApi system_clipboard_api() {
    return {&OpenClipboard, &EmptyClipboard, &CloseClipboard,   &GlobalAlloc,
            &GlobalLock,    &GlobalUnlock,   &GlobalFree,       &SetClipboardData};
}

bool clear_clipboard(const clipboard_guard& open) { return open->emptyClipboard() != FALSE; }

ClipboardOutcome place_clipboard_text(std::wstring_view text, const ClipboardApi& api) {
    // Everything that can fail without the clipboard is done before it is
    // opened, so that it is held only for the clear and the hand-over.
    unique_hglobal block = block_holding(text, api);
    if (!block) return ClipboardOutcome::Refused;

    const clipboard_guard open = open_clipboard(api);  // closed before an unplaced block is freed
    if (!open) return ClipboardOutcome::Busy;
    if (!clear_clipboard(open)) return ClipboardOutcome::Refused;
    if (api.setClipboardData(CF_UNICODETEXT, block.get()) == nullptr) return ClipboardOutcome::Refused;
    block.release();  // the system owns the block now
    return ClipboardOutcome::Done;
}

}  // namespace tarnwick
