// Running a console program to its end and collecting what it printed.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tarnwick::testing {

struct Finished {
    std::optional<DWORD> status;  // nothing when it had to be ended after `timeoutMs`
    std::string output;           // what it wrote to standard output and standard error
};

// Runs a console program to its end with no input, collecting its output; in
// `folder`, when one is given.
Finished run_collecting_output(const std::wstring& application, const std::wstring& commandLine,
                               DWORD timeoutMs, const std::wstring& folder = {});

}  // namespace tarnwick::testing
