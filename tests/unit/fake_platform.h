// A platform whose every call can be made to fail, and which records what was
// acquired and released. Memory calls go to the real heap; the clipboard is a
// model that holds a text from before the run, and the message box is only
// recorded.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "run/run.h"

namespace tarnwick::testing {

enum class Call {
    LocalAlloc,
    CommandLineToArgvW,
    OpenClipboard,
    EmptyClipboard,
    CloseClipboard,
    GlobalAlloc,
    GlobalLock,
    GlobalUnlock,
    SetClipboardData,
    MessageBoxW,
};

// What the fake clipboard holds when a run starts.
inline const std::wstring kHeldBeforeRun(L"held before the run\0", 20);

struct FakeState {
    // The call that fails, and on which of its occurrences (1 = the first).
    std::optional<Call> failing;
    int failingOccurrence = 1;
    std::map<Call, int> made;
    std::vector<Call> calls;  // every call above, in the order made

    // The clipboard: its CF_UNICODETEXT block, every code unit of it, or
    // nothing once it is emptied.
    std::optional<std::wstring> clipboard = kHeldBeforeRun;
    bool clipboardOpen = false;
    int clipboardOpens = 0;   // successful opens
    int clipboardCloses = 0;
    bool closedWhileNotOpen = false;
    bool changedWhileNotOpen = false;  // emptied or written outside a hold

    std::set<HGLOBAL> liveBlocks;     // allocated, neither freed nor taken
    int badFrees = 0;                 // frees of blocks not live

    std::map<void*, SIZE_T> liveMemory;  // the program's own blocks, not yet freed, with their sizes

    std::set<void*> liveSplitterArrays;
    int splitterArrays = 0;
    int badLocalFrees = 0;

    int noticesShown = 0;
    std::wstring noticeText, noticeTitle;
    UINT noticeStyle = 0xFFFF;
};

// Resets the state and returns it; fake_platform() reads and writes it.
FakeState& reset_fake();
Platform fake_platform();

}  // namespace tarnwick::testing
