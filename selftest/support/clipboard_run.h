// One run of tarnwick.exe, watched from outside: how long it kept the
// clipboard, what it ended with and what it left there. The self-test's
// clipboard is its own (private_station.h), so nothing but the program and
// the check itself ever holds it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tarnwick::testing {

// The status the program ends with when another program holds the clipboard.
constexpr DWORD kClipboardBusy = 1;

// How long the program may hold the clipboard at a time. Emptying it, placing
// the text and closing it take microseconds, so this is all margin, for a
// loaded machine; a program that keeps it half a second is caught.
constexpr ULONGLONG kMostHoldMs = 300;

struct ClipboardRun {
    std::optional<DWORD> status;        // nothing when it did not end within longest_run_ms()
    std::optional<std::wstring> after;  // the CF_UNICODETEXT block once it had ended
    ULONGLONG longestHoldMs = 0;        // the longest hold of the clipboard seen

    bool let_go_promptly() const { return longestHoldMs <= kMostHoldMs; }
};

// What a check says of a run that held the clipboard too long.
std::string held_too_long(const ClipboardRun& run);

// What a check says of a busy answer: nothing else can reach this clipboard.
std::string said_busy_with_nobody_there();

// Starts the program with `commandLine`, waits for it to end while watching
// the clipboard, and reads the clipboard's text. A hold is timed from the
// first moment it shows without opening the clipboard (its content changes,
// or a window of another process has it open) until the clipboard can be
// opened again or the program has ended: opening it earlier could make the
// program's own open fail. Before its first change, a program that opens the
// clipboard without a window cannot be seen holding it.
ClipboardRun run_and_watch(const std::wstring& commandLine);

}  // namespace tarnwick::testing
