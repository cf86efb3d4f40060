#include "pe_image.h"

#include <cstddef>

#include "tarnwick_process.h"

namespace tarnwick::testing {
namespace {

// Reads `size` bytes at `offset` of an open file.
bool read_at(HANDLE file, LONG offset, void* into, DWORD size) {
    DWORD got = 0;
    return SetFilePointer(file, offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           ReadFile(file, into, size, &got, nullptr) && got == size;
}

}  // namespace

// The Subsystem field of the optional header stands at the same place in
// 32-bit and 64-bit images.
std::optional<PeFacts> pe_facts_of(const std::wstring& path) {
    const unique_handle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    IMAGE_DOS_HEADER dos{};
    DWORD signature = 0;
    IMAGE_FILE_HEADER header{};
    PeFacts facts;
    if (!read_at(file.get(), 0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !read_at(file.get(), dos.e_lfanew, &signature, sizeof signature) || signature != IMAGE_NT_SIGNATURE ||
        !read_at(file.get(), dos.e_lfanew + sizeof signature, &header, sizeof header) ||
        !read_at(file.get(), dos.e_lfanew + sizeof signature + sizeof header + offsetof(IMAGE_OPTIONAL_HEADER32, Subsystem),
                 &facts.subsystem, sizeof facts.subsystem))
        return std::nullopt;
    facts.machine = header.Machine;
    return facts;
}

std::string name_of_machine(WORD machine) {
    switch (machine) {
        case IMAGE_FILE_MACHINE_I386: return "x86";
        case IMAGE_FILE_MACHINE_AMD64: return "x64";
        case 0xAA64: return "Arm64";  // IMAGE_FILE_MACHINE_ARM64
        default: return "machine " + std::to_string(machine);
    }
}

}  // namespace tarnwick::testing
