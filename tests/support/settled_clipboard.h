// Runs of tarnwick.exe on a clipboard that other programs have finished
// reading. Clipboard history, clipboard managers and Remote Desktop open the
// clipboard after every change; a run started at that moment finds it busy and
// ends with status 1, leaving it as it was, which is the program's right answer
// and says nothing about whether it copies well. So a check lets the clipboard
// settle before each start, and starts the program again when it still found
// the clipboard busy.
//
// A busy answer is explained when the self-test saw another program hold the
// clipboard during the run (the window that has it open belongs to another
// process) or change it; and every busy answer is, once the self-test has seen
// a program open the clipboard with no change to read (a reader on a timer). Every
// start on a settled clipboard is counted; busy answers nobody explains are
// the program's own fault, past a small allowance.
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

// How long a run may keep the clipboard open once it has changed it: placing
// the text and closing the clipboard take microseconds, so this is all
// margin, for a loaded machine; a program that holds on half a second is
// caught.
constexpr ULONGLONG kMostHoldAfterChangeMs = 300;

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
    // From the first change of the clipboard during the last start until
    // another program could open it: nothing when it did not change.
    std::optional<ULONGLONG> heldAfterChangeMs;
    bool anotherHolderSeen = false;  // during the last start, see above

    // Status 1 with the clipboard as it was: the program's answer to another
    // program holding the clipboard.
    bool found_clipboard_busy() const { return status == kClipboardBusy && after == before; }
    // Whether it let go of the clipboard soon after changing it.
    bool let_go_promptly() const { return heldAfterChangeMs.value_or(0) <= kMostHoldAfterChangeMs; }
};

// What a check says of a run that held on to the clipboard.
std::string held_too_long(const ClipboardRun& run);

// Starts the program with `commandLine` at once, waits for it to end, watching
// who holds the clipboard meanwhile, and reads the clipboard; `before` is what
// the clipboard held before the start.
ClipboardRun run_and_read_clipboard(const std::wstring& commandLine, std::optional<std::wstring> before);

// Starts the program with `commandLine` on a settled clipboard and waits for
// it to end. When it found the clipboard busy, the clipboard settles and the
// program starts again, up to `mostStarts` starts in all; the result is the
// last start's. Every start is counted in busy_answers().
ClipboardRun run_on_settled_clipboard(const std::wstring& commandLine, int mostStarts = kMostStarts);

// Why a check could not judge the program: every start found the clipboard
// busy. Names the likely causes.
std::string busy_on_every_start(int starts);

// The starts on a settled clipboard so far, over the whole self-test.
struct BusyAnswers {
    int starts = 0;
    int busy = 0;         // that found the clipboard busy
    int unexplained = 0;  // of those, while the self-test saw nobody else hold it
    bool readerOnATimerSeen = false;  // then every busy answer is explained

    // A right program may meet a reader that the self-test cannot see (one
    // that opens the clipboard without a window, at the very moment of a
    // start) now and then; a program that says "busy" at random on even one
    // start in ten meets more than this over the self-test's fifty-odd starts.
    static constexpr int kAllowance = 2;
    bool beyond_allowance() const { return !readerOnATimerSeen && unexplained > kAllowance; }
    std::string summary() const;
};
const BusyAnswers& busy_answers();

}  // namespace tarnwick::testing
