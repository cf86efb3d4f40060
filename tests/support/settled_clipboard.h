// Runs of tarnwick.exe on a clipboard that other programs have finished
// reading. Clipboard history, clipboard managers and Remote Desktop open the
// clipboard after every change; a run started at that moment finds it busy and
// ends with status 1, leaving it as it was, which is the program's right answer
// and says nothing about whether it copies well. So a check lets the clipboard
// settle before each start, and starts the program again when it still found
// the clipboard busy.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "tarnwick_process.h"

namespace tarnwick::testing {

// The status the program ends with when another program holds the clipboard.
constexpr DWORD kClipboardBusy = 1;

// How many times a check starts the program before it gives up on finding the
// clipboard free.
constexpr int kMostStarts = 5;

// Waits until nobody else is using the clipboard: for 100 ms in a row it does
// not change and can be opened and closed again and again. False when that
// does not happen within five seconds.
bool let_clipboard_settle();

// One run of the program, judged by what it left on the clipboard.
struct ClipboardRun {
    std::optional<DWORD> status;         // nothing when it did not end within longest_run_ms()
    std::optional<std::wstring> before;  // the clipboard's text just before the last start
    std::optional<std::wstring> after;   // and after it ended
    ULONGLONG tookMs = 0;                // from the last start to its end
    int busyStarts = 0;                  // starts that found the clipboard busy
    bool settledBeforeEachStart = false;

    // Status 1 with the clipboard as it was: the program's answer to another
    // program holding the clipboard.
    bool found_clipboard_busy() const { return status == kClipboardBusy && after == before; }
};

// Starts the program with `commandLine` at once, waits for it to end and
// reads the clipboard; `before` is what the clipboard held before the start.
ClipboardRun run_and_read_clipboard(const std::wstring& commandLine, std::optional<std::wstring> before);

// Starts the program with `commandLine` on a settled clipboard and waits for
// it to end. When it found the clipboard busy, the clipboard settles and the
// program starts again, up to `mostStarts` starts in all; the result is the
// last start's.
ClipboardRun run_on_settled_clipboard(const std::wstring& commandLine, int mostStarts = kMostStarts);

// Why a check could not judge the program: every start found the clipboard
// busy. Names the likely causes.
std::string busy_on_every_start(int starts);

}  // namespace tarnwick::testing
