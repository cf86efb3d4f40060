// Command line: capture of the process's full UTF-16 command line and its
// division into a one-based argument list by the system's splitter.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>

#include "memory/local_memory.h"

namespace tarnwick {

// Argument list: one-based. Element 1 is the program's own name as the
// splitter reads it, elements 2 onward are the arguments. The list only views
// its elements: their code units belong to whoever made it.
struct ArgumentList {
    std::span<const std::wstring_view> elements;  // element i is elements[i - 1]

    int count() const { return static_cast<int>(elements.size()); }
    std::wstring_view operator[](int index) const { return elements[static_cast<size_t>(index - 1)]; }
};

// The split's copy of the splitter's elements: one local block holding the
// element views and, after them, their code units. The list points into it.
struct SplitCopy {
    unique_hlocal_ptr<std::wstring_view> block;
    ArgumentList list;
    bool splitterFailed = false;  // the system's splitter gave nothing, for want of memory
};

// The system's splitter, behind a seam so that tests can make it fail. Its
// array is a local block, released through MemoryApi's LocalFree.
struct SplitterApi {
    LPWSTR*(WINAPI* commandLineToArgvW)(LPCWSTR commandLine, int* elementCount);
};

SplitterApi system_splitter_api();

// Copies the platform's command line code unit for code unit into a block of
// the program's own, with one NUL after the last unit (not counted in the
// length) for the splitter. A null or empty command line gives an empty text;
// a null block means there was no memory.
Utf16Text capture_command_line(const wchar_t* platformCommandLine, const MemoryApi& memory);

// Copies the splitter's elements, in order, into one block. A count below 1
// gives no elements; for any other count, no elements means no memory.
SplitCopy copy_split(const wchar_t* const* elements, int elementCount, const MemoryApi& memory);

// Splits the captured command line with the system's splitter, starting at the
// program name (blanks before it are skipped). The element count is written
// only when the splitter succeeds, and before the elements are copied: a list
// shorter than the count means there was no memory for the copy. A blank line
// gives an empty list; so does a failing splitter, which says so.
SplitCopy split_command_line(const Utf16Text& commandLine, int& elementCount, const SplitterApi& splitter,
                             const MemoryApi& memory);

}  // namespace tarnwick
