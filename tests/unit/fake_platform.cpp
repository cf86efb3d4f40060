#include "fake_platform.h"

#include <shellapi.h>

#include <cstring>

namespace tarnwick::testing {
namespace {

FakeState state;

bool fails(Call call) {
    state.calls.push_back(call);
    const int occurrence = ++state.made[call];
    return state.failing == call && state.failingOccurrence == occurrence;
}

HLOCAL WINAPI fake_local_alloc(UINT flags, SIZE_T bytes) {
    if (fails(Call::LocalAlloc)) return nullptr;
    HLOCAL block = LocalAlloc(flags, bytes);
    state.liveMemory[block] = bytes;
    return block;
}

LPWSTR* WINAPI fake_command_line_to_argv(LPCWSTR line, int* count) {
    if (fails(Call::CommandLineToArgvW)) return nullptr;
    LPWSTR* elements = CommandLineToArgvW(line, count);
    state.liveSplitterArrays.insert(elements);
    ++state.splitterArrays;
    return elements;
}

// Releases the splitter's arrays and the program's own blocks alike.
HLOCAL WINAPI fake_local_free(HLOCAL memory) {
    if (state.liveSplitterArrays.erase(memory) == 0 && state.liveMemory.erase(memory) == 0) {
        ++state.badLocalFrees;
        return memory;
    }
    return LocalFree(memory);
}

BOOL WINAPI fake_open_clipboard(HWND) {
    if (fails(Call::OpenClipboard) || state.clipboardOpen) return FALSE;
    ++state.clipboardOpens;
    state.clipboardOpen = true;
    return TRUE;
}

// As on Windows, the clipboard cannot be emptied or written unless it is open.
bool changes_while_closed() {
    if (!state.clipboardOpen) state.changedWhileNotOpen = true;
    return !state.clipboardOpen;
}

BOOL WINAPI fake_empty_clipboard() {
    if (fails(Call::EmptyClipboard) || changes_while_closed()) return FALSE;
    state.clipboard.reset();
    return TRUE;
}

BOOL WINAPI fake_close_clipboard() {
    if (!state.clipboardOpen) state.closedWhileNotOpen = true;
    ++state.clipboardCloses;
    state.clipboardOpen = false;
    return !fails(Call::CloseClipboard);
}

HGLOBAL WINAPI fake_global_alloc(UINT flags, SIZE_T bytes) {
    if (fails(Call::GlobalAlloc)) return nullptr;
    HGLOBAL block = GlobalAlloc(flags, bytes);
    state.liveBlocks.insert(block);
    return block;
}

LPVOID WINAPI fake_global_lock(HGLOBAL block) {
    if (fails(Call::GlobalLock)) return nullptr;
    return GlobalLock(block);
}

BOOL WINAPI fake_global_unlock(HGLOBAL block) {
    fails(Call::GlobalUnlock);  // recorded; its result is not what the run depends on
    return GlobalUnlock(block);
}

HGLOBAL WINAPI fake_global_free(HGLOBAL block) {
    if (state.liveBlocks.erase(block) == 0) {
        ++state.badFrees;
        return block;
    }
    return GlobalFree(block);
}

// Takes the block as the system would, keeping a copy of its contents.
HANDLE WINAPI fake_set_clipboard_data(UINT format, HANDLE data) {
    if (fails(Call::SetClipboardData) || changes_while_closed() || format != CF_UNICODETEXT) return nullptr;
    if (state.liveBlocks.erase(data) == 0) ++state.badFrees;
    std::wstring units(GlobalSize(data) / sizeof(wchar_t), L'\0');
    std::memcpy(units.data(), GlobalLock(data), units.size() * sizeof(wchar_t));
    GlobalUnlock(data);
    GlobalFree(data);
    state.clipboard = units;
    return data;
}

// Windows returns 0 when it cannot show the box (no desktop, no memory).
int WINAPI fake_message_box(HWND, LPCWSTR text, LPCWSTR title, UINT style) {
    if (fails(Call::MessageBoxW)) return 0;
    ++state.noticesShown;
    state.noticeText = text;
    state.noticeTitle = title;
    state.noticeStyle = style;
    return IDOK;
}

}  // namespace

FakeState& reset_fake() {
    for (void* leftover : state.liveSplitterArrays) LocalFree(leftover);
    for (const auto& [leftover, bytes] : state.liveMemory) LocalFree(leftover);
    for (HGLOBAL leftover : state.liveBlocks) GlobalFree(leftover);
    state = FakeState{};
    return state;
}

Platform fake_platform() {
    return {{&fake_local_alloc, &fake_local_free},
            {&fake_command_line_to_argv},
            {&fake_open_clipboard, &fake_empty_clipboard, &fake_close_clipboard,
             &fake_global_alloc, &fake_global_lock, &fake_global_unlock, &fake_global_free,
             &fake_set_clipboard_data},
            &fake_message_box};
}

}  // namespace tarnwick::testing
