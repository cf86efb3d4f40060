// Starting the real tarnwick.exe with an exact raw command line.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
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
};

// A path as Windows needs it: a Unix path (as CMake gives it) becomes one on
// Wine's drive Z:.
std::wstring windows_path(std::wstring path);

// A path from an environment variable, through windows_path; throws when the
// variable holds none.
std::wstring path_from_environment(const wchar_t* variable);

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
std::optional<std::wstring> cannot_start(const std::wstring& application);

// Starts `application` with `commandLine` exactly as its GetCommandLineW will
// return it; throws, with why_not_started, when it cannot be started.
StartedProcess start_process(const std::wstring& application, const std::wstring& commandLine,
                             DWORD creationFlags = 0);

// start_process with the caller's STARTUPINFOW (standard handles, say),
// handles inherited as `inheritHandles` says, in `folder` when one is given.
StartedProcess start_with(const std::wstring& application, const std::wstring& commandLine, DWORD creationFlags,
                          STARTUPINFOW& startup, BOOL inheritHandles, const std::wstring& folder = {});

// start_process for the executable under test.
StartedProcess start_tarnwick(const std::wstring& commandLine, DWORD creationFlags = 0);

// The argument that makes the self-test end at once, doing nothing.
inline constexpr wchar_t kEndAtOnce[] = L"--end-at-once";

// How long one start of a process that does nothing takes here, from its
// creation to its end: the self-test, started without a console and told to
// end at once. A yardstick for the program's own runs that the program cannot
// stretch, on a fast desktop or under emulation alike.
ULONGLONG time_start_that_does_nothing();

// The exit status, or nothing when the process is still running after `timeoutMs`
// (it is then terminated).
std::optional<DWORD> wait_for_exit(const StartedProcess& started, DWORD timeoutMs);

// The visible top-level windows the process owns.
std::vector<HWND> windows_of(DWORD processId);

}  // namespace tarnwick::testing
