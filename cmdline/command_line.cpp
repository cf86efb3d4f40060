#include "cmdline/command_line.h"

#include <shellapi.h>

namespace tarnwick {

SplitterApi system_splitter_api() { return {&CommandLineToArgvW}; }

Utf16Text capture_command_line(const wchar_t* platformCommandLine, const MemoryApi& memory) {
    const std::wstring_view line(platformCommandLine,
                                 platformCommandLine ? static_cast<size_t>(lstrlenW(platformCommandLine)) : 0);
    Utf16Text captured{allocate_local<wchar_t>((line.size() + 1) * sizeof(wchar_t), memory), line.size()};
    if (!captured.units) return {};
    *append_units(captured.units.get(), line) = L'\0';
    return captured;
}

SplitCopy copy_split(const wchar_t* const* elements, int elementCount, const MemoryApi& memory) {
    if (elementCount < 1) return {};
    const std::span<const wchar_t* const> splitter(elements, static_cast<size_t>(elementCount));
    size_t units = 0;
    for (const wchar_t* element : splitter) units += std::wstring_view(element).size();

    auto block = allocate_local<std::wstring_view>(
        splitter.size() * sizeof(std::wstring_view) + units * sizeof(wchar_t), memory);
    if (!block) return {};
    std::wstring_view* views = block.get();
    wchar_t* next = reinterpret_cast<wchar_t*>(views + splitter.size());
    for (size_t i = 0; i < splitter.size(); ++i) {
        const std::wstring_view element(splitter[i]);
        std::construct_at(views + i, next, element.size());
        next = append_units(next, element);
    }
    return {std::move(block), ArgumentList{{views, splitter.size()}}};
}

SplitCopy split_command_line(const Utf16Text& commandLine, int& elementCount, const SplitterApi& splitter,
                             const MemoryApi& memory) {
    // The splitter reads blanks before the program name as an empty program
    // name, which would make the real name the first argument and put it on
    // the clipboard. So the splitter is given the line from the name on; the
    // capture's NUL ends it.
    const size_t programName = commandLine.view().find_first_not_of(L" \t");
    if (programName == std::wstring_view::npos) return {};
    int found = 0;
    const auto elements =
        owned_by_local_free(splitter.commandLineToArgvW(commandLine.units.get() + programName, &found), memory);
    if (!elements) {
        SplitCopy nothing;
        nothing.splitterFailed = true;
        return nothing;
    }
    elementCount = found;
    return copy_split(elements.get(), found, memory);
}

}  // namespace tarnwick
