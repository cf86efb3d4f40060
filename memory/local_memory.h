// The program's own memory, which the command line and the run share: fixed
// LocalAlloc blocks, taken through a seam so that tests can make any
// allocation fail, each held by one owner type that releases it with
// LocalFree, and the UTF-16 text kept in them. The splitter's array is a local
// block too and has the same owner.
//
// The program holds its strings this way instead of in std::wstring and
// std::vector: those report a failed allocation by throwing, and the
// exception machinery they bring is most of an executable this small.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>

namespace tarnwick {

// The two system calls behind the program's own memory.
struct MemoryApi {
    HLOCAL(WINAPI* localAlloc)(UINT flags, SIZE_T bytes);
    HLOCAL(WINAPI* localFree)(HLOCAL memory);
};

MemoryApi system_memory_api();

// Releases a local block when its owner goes out of scope. It keeps the
// function itself, not the table, so an owner may outlive the table it came from.
struct LocalFreeOnExit {
    HLOCAL(WINAPI* localFree)(HLOCAL memory);
    void operator()(void* block) const { localFree(block); }
};

template <typename T>
using unique_hlocal_ptr = std::unique_ptr<T, LocalFreeOnExit>;

template <typename T>
unique_hlocal_ptr<T> owned_by_local_free(T* block, const MemoryApi& memory) {
    return unique_hlocal_ptr<T>(block, LocalFreeOnExit{memory.localFree});
}

// A fixed block of `bytes` bytes, not initialised, for objects of type T; null
// when memory is short.
template <typename T>
unique_hlocal_ptr<T> allocate_local(size_t bytes, const MemoryApi& memory) {
    return owned_by_local_free(static_cast<T*>(memory.localAlloc(LMEM_FIXED, bytes)), memory);
}

// A UTF-16 string the program owns: `length` code units in a local block. It
// may hold NUL code units. A null block means there was no memory for it.
struct Utf16Text {
    unique_hlocal_ptr<wchar_t> units;
    size_t length = 0;

    std::wstring_view view() const { return {units.get(), length}; }
};

// Copies `text` to `to` and returns the position after it.
inline wchar_t* append_units(wchar_t* to, std::wstring_view text) {
    return std::copy(text.begin(), text.end(), to);
}

}  // namespace tarnwick
