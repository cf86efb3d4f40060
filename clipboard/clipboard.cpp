#include "clipboard/clipboard.h"

#include <cstring>
#include <memory>

namespace tarnwick {
namespace {

// Closes the clipboard when the guard goes out of scope, on every path. The
// guard holds the api itself, so a null guard means "not opened".
struct CloseClipboardOnExit {
    void operator()(const ClipboardApi* api) const { api->closeClipboard(); }
};
using clipboard_guard = std::unique_ptr<const ClipboardApi, CloseClipboardOnExit>;

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

bool copy_into_block(HGLOBAL block, std::wstring_view text, const ClipboardApi& api) {
    void* bytes = api.globalLock(block);
    if (bytes == nullptr) return false;
    std::memcpy(bytes, text.data(), text.size() * sizeof(wchar_t));
    api.globalUnlock(block);
    return true;
}

}  // namespace

ClipboardApi system_clipboard_api() {
    return {&OpenClipboard, &EmptyClipboard, &CloseClipboard,   &GlobalAlloc,
            &GlobalLock,    &GlobalUnlock,   &GlobalFree,       &SetClipboardData};
}

ClipboardOutcome clear_clipboard(const ClipboardApi& api) {
    const clipboard_guard open = open_clipboard(api);
    if (!open) return ClipboardOutcome::Busy;
    return api.emptyClipboard() ? ClipboardOutcome::Done : ClipboardOutcome::Refused;
}

ClipboardOutcome place_clipboard_text(std::wstring_view text, const ClipboardApi& api) {
    const clipboard_guard open = open_clipboard(api);
    if (!open) return ClipboardOutcome::Busy;

    unique_hglobal block(api.globalAlloc(GMEM_MOVEABLE, text.size() * sizeof(wchar_t)),
                         GlobalFreeOnExit{&api});
    if (!block || !copy_into_block(block.get(), text, api)) return ClipboardOutcome::Refused;

    if (api.setClipboardData(CF_UNICODETEXT, block.get()) == nullptr)
        return ClipboardOutcome::Refused;
    block.release();  // the system owns the block now
    return ClipboardOutcome::Done;
}

}  // namespace tarnwick
