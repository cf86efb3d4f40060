// Starting programs for the checks: the real tarnwick.exe with an exact raw
// command line, the self-test itself as a yardstick, and the suite's tools.
// Every start takes one path: created suspended, put in the self-test's job
// (which ends every process in it when the self-test ends, however it ends),
// on the self-test's own desktop once it has one, and only then let go.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick::testing {

// How long one run may take before a check ends it and fails: 120 s, below
// the suite's time limit for one end-to-end check (180 s), so that a program
// that never ends is a failure of the check's own, not a time-out that the
// suite would run again. Only a failing check waits this long. Where 32-bit
// code runs under emulation a run can take one or two minutes, so the suite
// gives its 32-bit checks a longer deadline, in seconds, in
// TARNWICK_RUN_DEADLINE_S, again below its time limit for them.
DWORD longest_run_ms();

// What a check says of a run that had not ended by then.
std::string did_not_end();

struct CloseHandleOnExit {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using unique_handle = std::unique_ptr<void, CloseHandleOnExit>;

// Owns a started process: one still running when its owner goes (a check that
// failed half-way, a notice nobody dismissed) is ended, so that no process and
// no window of it is left behind.
struct EndProcessOnExit {
    void operator()(HANDLE process) const;
};
using unique_process = std::unique_ptr<void, EndProcessOnExit>;

struct StartedProcess {
    unique_process process;
    unique_handle thread;
    DWORD id = 0;
    ULONGLONG letGoAt = 0;  // GetTickCount64 when it was let go; 0 while it is held suspended
};

// A path as Windows needs it: a Unix path (as CMake gives it) becomes one on
// Wine's drive Z:.
std::wstring windows_path(std::wstring path);

// A path from an environment variable, through windows_path; throws when the
// variable holds none.
std::wstring path_from_environment(const wchar_t* variable);

// This program's own path, however long.
std::wstring own_path();

// The executable under test: the one set with use_tarnwick_at, else the one
// in the TARNWICK_EXE environment variable, else tarnwick.exe beside this
// program.
std::wstring tarnwick_path();
void use_tarnwick_at(const std::wstring& path);

// Why Windows would not start a program, as one sentence naming the likely
// cause (antivirus, a policy, a damaged download) for the system error.
std::wstring why_not_started(const std::wstring& application, DWORD error);

// Whether `application` can be started: it is created suspended and ended at
// once, so none of its code runs. Nothing when it can; else why_not_started.
// It may run on a thread of its own beside the start path: where creating a
// process is slow (under emulation, most of a minute), the two overlap.
std::optional<std::wstring> cannot_start(const std::wstring& application);

// The start path. Starts `application` with `commandLine` exactly as its
// GetCommandLineW will return it, with the caller's STARTUPINFOW (standard
// handles, say), handles inherited as `inheritHandles` says, in `folder` when
// one is given; throws, with why_not_started, when it cannot be started. With
// CREATE_SUSPENDED among the flags it stays suspended until let_go.
StartedProcess start_with(const std::wstring& application, const std::wstring& commandLine, DWORD creationFlags,
                          STARTUPINFOW& startup, BOOL inheritHandles, const std::wstring& folder = {});

// start_with with an empty STARTUPINFOW and no handles inherited.
StartedProcess start_process(const std::wstring& application, const std::wstring& commandLine,
                             DWORD creationFlags = 0, const std::wstring& folder = {});

// start_process for the executable under test.
StartedProcess start_tarnwick(const std::wstring& commandLine, DWORD creationFlags = 0,
                              const std::wstring& folder = {});

// Lets a process go that was started suspended.
void let_go(StartedProcess& started);

// How many processes have run in the self-test's job so far: every start, and
// every process those started themselves (a console host, a command
// interpreter), however briefly it ran.
DWORD processes_run_in_the_job();
// How many of them the start path started itself.
DWORD processes_started();

// The exit status, or nothing when the process is still running after `timeoutMs`
// (it is then terminated).
std::optional<DWORD> wait_for_exit(const StartedProcess& started, DWORD timeoutMs);

// The visible top-level windows of the calling thread's desktop, of any
// process.
std::vector<HWND> visible_windows();

// The visible top-level windows the process owns.
std::vector<HWND> windows_of(DWORD processId);

// The argument that makes the self-test report on its standard output where
// it landed ("station\desktop") and, on a second line, the desktop it was
// started with (STARTUPINFOW.lpDesktop, as GetStartupInfoW gives it), and end,
// doing nothing else.
inline constexpr wchar_t kReportStation[] = L"--report-station";

// A start of the self-test itself with kReportStation, through the start
// path: where Windows put it, what it was asked for, and how long it took
// from being let go to its end. That time is the yardstick a run of the
// program is measured by: a start that does nothing, on the same machine at
// the same moment, which the program under test cannot stretch.
struct ReferenceStart {
    std::wstring landedOn;
    std::wstring askedFor;
    ULONGLONG tookMs = 0;
};
ReferenceStart start_reference();

// The report of a reference start, read; and why it is not one of a program
// on the private desktop `expected`, or nothing. Both the place and the
// request must be the private desktop: under Wine a program started without
// lpDesktop lands where its parent's thread is, so only the request tells.
ReferenceStart read_station_report(const std::wstring& report);
std::optional<std::string> not_on_the_private_desktop(const ReferenceStart& reference, const std::wstring& expected);

// The fastest reference start so far (the first one is made when needed).
ULONGLONG fastest_reference_ms();

// Thrown when a program the start path started did not land on the
// self-test's own station and desktop: every verdict would then be about
// another clipboard, perhaps the user's.
struct NotOnThePrivateStation : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Proves, once per self-test and before any other start on the private
// desktop, that the start path puts programs there: a reference start must
// report the private station and desktop. Throws NotOnThePrivateStation when
// it does not. Nothing to prove while no private station is entered.
void prove_the_private_station();

}  // namespace tarnwick::testing
