// Two fields of a PE image's headers, read from the file: what Windows
// decides by when it starts it (the subsystem: a console or not) and which
// machine it is built for.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tarnwick::testing {

struct PeFacts {
    WORD machine = 0;    // IMAGE_FILE_MACHINE_I386, _AMD64, …
    WORD subsystem = 0;  // IMAGE_SUBSYSTEM_WINDOWS_GUI (2), _WINDOWS_CUI (3), …
};

// Nothing when the file cannot be read or is no PE image.
std::optional<PeFacts> pe_facts_of(const std::wstring& path);

// "x86", "x64", "Arm64", or the machine's number.
std::string name_of_machine(WORD machine);

}  // namespace tarnwick::testing
