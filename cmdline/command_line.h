// Command line: capture of the process's full UTF-16 command line and its
// division into a one-based argument list by the system's splitter.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarnwick {

// Argument list: element i (one-based, 1 = the program's own name) is stored
// at index i - 1.
using ArgumentList = std::vector<std::wstring>;

// The two system calls the split makes, behind a seam so that tests can make
// either one fail and count the releases.
struct SplitterApi {
    LPWSTR*(WINAPI* commandLineToArgvW)(LPCWSTR commandLine, int* elementCount);
    HLOCAL(WINAPI* localFree)(HLOCAL memory);
};

SplitterApi system_splitter_api();

// Copies the platform's command line code unit for code unit. A null or empty
// command line gives an empty string.
std::wstring capture_command_line(const wchar_t* platformCommandLine);

// Copies the splitter's elements, in order, into an argument list.
ArgumentList copy_split(const wchar_t* const* elements, int elementCount);

// Splits the captured command line with the system's splitter, starting at the
// program name (blanks before it are skipped). The element count is written
// only when the splitter succeeds; a blank line or any failure gives an empty
// list.
ArgumentList split_command_line(const std::wstring& commandLine, int& elementCount,
                                const SplitterApi& api);

}  // namespace tarnwick
