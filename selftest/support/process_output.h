// Running a console program to its end and collecting what it printed.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tarnwick::testing {

struct Finished {
    std::optional<DWORD> status;  // nothing when it had to be ended after `timeoutMs`
    std::string output;           // what it wrote to standard output and standard error
    ULONGLONG tookMs = 0;         // from being let go to its end
};

// Runs a program to its end with no input, collecting its output, through the
// start path; in `folder`, when one is given. DETACHED_PROCESS among the flags
// starts a console program without a console, writing to the pipe alone.
Finished run_collecting_output(const std::wstring& application, const std::wstring& commandLine,
                               DWORD timeoutMs, const std::wstring& folder = {}, DWORD creationFlags = 0);

}  // namespace tarnwick::testing
