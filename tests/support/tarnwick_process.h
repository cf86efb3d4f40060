// Starting the real tarnwick.exe with an exact raw command line.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::testing {

// Long enough for one run even when 32-bit code runs under emulation (about a
// minute a process); only a failing test waits this long.
constexpr DWORD kLongestRunMs = 300'000;

struct CloseHandleOnExit {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using unique_handle = std::unique_ptr<void, CloseHandleOnExit>;

struct StartedProcess {
    unique_handle process;
    unique_handle thread;
    DWORD id = 0;
};

// A path from an environment variable, as Windows needs it: a Unix path (as
// CMake gives it) becomes one on Wine's drive Z:.
std::wstring path_from_environment(const wchar_t* variable);

// The executable under test, from the TARNWICK_EXE environment variable.
std::wstring tarnwick_path();

// Starts `application` with `commandLine` exactly as its GetCommandLineW will
// return it; throws when it cannot be started.
StartedProcess start_process(const std::wstring& application, const std::wstring& commandLine,
                             DWORD creationFlags = 0);

// start_process for the executable under test.
StartedProcess start_tarnwick(const std::wstring& commandLine, DWORD creationFlags = 0);

// Lets a process started with CREATE_SUSPENDED run.
void resume(const StartedProcess& started);

// The exit status, or nothing when the process is still running after `timeoutMs`
// (it is then terminated).
std::optional<DWORD> wait_for_exit(const StartedProcess& started, DWORD timeoutMs);

// The visible top-level windows the process owns.
std::vector<HWND> windows_of(DWORD processId);

}  // namespace tarnwick::testing
