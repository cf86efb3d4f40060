// One run of tarnwick.exe, watched for everything a user would notice: what
// it left on the clipboard and in which formats, how long it held the
// clipboard, every window of any process on the self-test's desktop (console
// windows included), every other process that ran, every file it wrote in the
// folder it was started in or its own, and how long the whole run took. Every
// check's runs go through here. The self-test's clipboard is its own
// (private_station.h), so nothing but the program and the check itself ever
// holds it.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "run_folder.h"
#include "tarnwick_process.h"

namespace tarnwick::testing {

// The status the program ends with when another program holds the clipboard.
constexpr DWORD kClipboardBusy = 1;

// How long the program may hold the clipboard at a time. Emptying it, placing
// the text and closing it take microseconds, so this is all margin, for a
// loaded machine; a program that keeps it half a second is caught.
constexpr ULONGLONG kMostHoldMs = 300;

// How long a whole run may take, from being let go to its end, beside a
// reference start that does nothing (fastest_reference_ms): that start and at
// least 300 ms more, or half as long again where starting is slow (under
// emulation, most of a minute). A program that lingers after its work, or
// waits half a second anywhere, takes longer however fast or slowly it starts.
ULONGLONG longest_run_beside(ULONGLONG referenceMs);

struct WatchedRun {
    std::optional<DWORD> status;        // nothing when it did not end within longest_run_ms(), or was ended
    std::optional<std::wstring> after;  // the CF_UNICODETEXT block once it had ended
    bool changedClipboard = false;
    ULONGLONG longestHoldMs = 0;  // the longest hold of the clipboard seen
    // From being let go to its end; with a notice, from the notice's dismissal
    // to the end: showing a dialog is work a start that does nothing does not
    // do, and under emulation it takes most of a second.
    ULONGLONG tookMs = 0;
    int textFormatsComparedBeyondAscii = 0;  // see FormatsJudged
    // What a user would have noticed besides the copy, one sentence each; a
    // right program gives none.
    std::vector<std::string> seen;

    // `seen`, for a failure message.
    std::string what_else_was_seen() const;
};

// A run made ready: the program created suspended, in a folder of its own,
// not yet let go. Preparing the next run while one is watched lets the system
// do the work of creating a process meanwhile, which no run's time includes.
class PreparedRun {
public:
    explicit PreparedRun(const std::wstring& commandLine);
    PreparedRun(PreparedRun&&) = default;
    PreparedRun& operator=(PreparedRun&&) = default;

private:
    friend WatchedRun watch(PreparedRun run, const std::function<bool(HWND)>& onNotice);
    std::unique_ptr<RunFolder> folder_;  // removed after the process is ended
    StartedProcess started_;
};

// A notice the program shows, handed to the check that expects one: it looks
// at it and presses its button, and says whether it did.
using NoticeHandler = std::function<bool(HWND notice)>;

// Lets the program go and watches it to its end. A window on the desktop ends
// it at once and is what it saw, unless it is the program's first window and
// `onNotice` is given: then the handler gets it, and the run is timed from
// the notice's dismissal.
WatchedRun watch(PreparedRun run, const NoticeHandler& onNotice = {});

// Prepares and watches one run.
WatchedRun run_and_watch(const std::wstring& commandLine, const NoticeHandler& onNotice = {});

// What a check says of a busy answer: nothing else can reach this clipboard.
std::string said_busy_with_nobody_there();

}  // namespace tarnwick::testing
