// The program must never flash a console. Windows gives a program built for
// the console subsystem a console as it starts, unless it can share its
// parent's; Explorer, Send To and shortcuts have none to share, so every use
// would open a console window. Windows decides by the subsystem field of the
// executable's PE header, which this check reads from the very file that the
// other checks start.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

#include "tarnwick_process.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

// Reads `size` bytes at `offset` of an open file.
bool read_at(HANDLE file, LONG offset, void* into, DWORD size) {
    DWORD got = 0;
    return SetFilePointer(file, offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           ReadFile(file, into, size, &got, nullptr) && got == size;
}

// The Subsystem field of the optional header, which stands at the same place
// in 32-bit and 64-bit images; nothing when the file is no PE image.
std::optional<WORD> subsystem_of(const std::wstring& path) {
    const unique_handle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    IMAGE_DOS_HEADER dos{};
    DWORD signature = 0;
    WORD subsystem = 0;
    if (!read_at(file.get(), 0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        !read_at(file.get(), dos.e_lfanew, &signature, sizeof signature) || signature != IMAGE_NT_SIGNATURE ||
        !read_at(file.get(), dos.e_lfanew + sizeof signature + sizeof(IMAGE_FILE_HEADER) +
                                 offsetof(IMAGE_OPTIONAL_HEADER32, Subsystem),
                 &subsystem, sizeof subsystem))
        return std::nullopt;
    return subsystem;
}

TEST(WindowedProgram, IsBuiltForTheWindowsSubsystemSoNoConsoleAppears) {
    const std::wstring program = tarnwick_path();
    const std::optional<WORD> subsystem = subsystem_of(program);
    ASSERT_TRUE(subsystem.has_value()) << "the PE header of " << to_utf8(program) << " could not be read";
    EXPECT_EQ(*subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)
        << (*subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI
                ? "it is built as a console program: a console window opens whenever Explorer, Send To or a "
                  "shortcut starts it"
                : "its subsystem is " + std::to_string(*subsystem) + ", not the Windows GUI subsystem (2)");
}

}  // namespace
}  // namespace tarnwick::testing
