#include "cmdline/command_line.h"

#include <shellapi.h>

#include <memory>

namespace tarnwick {
namespace {

// Owns the array CommandLineToArgvW returns until it is released with LocalFree.
struct SplitterArrayRelease {
    const SplitterApi* api;
    void operator()(LPWSTR* elements) const { api->localFree(elements); }
};
using unique_splitter_array = std::unique_ptr<LPWSTR, SplitterArrayRelease>;

}  // namespace

SplitterApi system_splitter_api() { return {&CommandLineToArgvW, &LocalFree}; }

std::wstring capture_command_line(const wchar_t* platformCommandLine) {
    if (platformCommandLine == nullptr) return {};
    return std::wstring(platformCommandLine, lstrlenW(platformCommandLine));
}

ArgumentList copy_split(const wchar_t* const* elements, int elementCount) {
    ArgumentList list;
    if (elementCount < 1) return list;
    list.reserve(static_cast<size_t>(elementCount));
    for (int i = 0; i < elementCount; ++i) list.emplace_back(elements[i]);
    return list;
}

ArgumentList split_command_line(const std::wstring& commandLine, int& elementCount,
                                const SplitterApi& api) {
    // The splitter reads blanks before the program name as an empty program
    // name, which would make the real name the first argument and put it on
    // the clipboard. So the splitter is given the line from the name on.
    const size_t programName = commandLine.find_first_not_of(L" \t");
    if (programName == std::wstring::npos) return {};
    int found = 0;
    const unique_splitter_array elements(
        api.commandLineToArgvW(commandLine.c_str() + programName, &found),
        SplitterArrayRelease{&api});
    if (!elements) return {};
    elementCount = found;
    return copy_split(elements.get(), found);
}

}  // namespace tarnwick
