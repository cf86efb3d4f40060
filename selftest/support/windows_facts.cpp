#include "windows_facts.h"

#include <windows.h>

#include "pe_image.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

#if defined(_M_X64) || defined(__x86_64__)
constexpr WORD kThisBuild = IMAGE_FILE_MACHINE_AMD64;
#else
constexpr WORD kThisBuild = IMAGE_FILE_MACHINE_I386;
#endif

template <class Function>
Function from(const wchar_t* module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(module), name)));
}

}  // namespace

std::wstring windows_version() {
    // GetVersionExW answers an unmanifested program with an older version.
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = from<RtlGetVersion>(L"ntdll.dll", "RtlGetVersion");
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (getVersion == nullptr || getVersion(&version) != 0) return L"(its version could not be read)";
    return std::to_wstring(version.dwMajorVersion) + L"." + std::to_wstring(version.dwMinorVersion) + L"." +
           std::to_wstring(version.dwBuildNumber);
}

std::wstring how_this_build_runs() {
    const std::wstring build = from_utf8(name_of_machine(kThisBuild));
    // Windows 10 1709 and later tell the machine itself; an x64 program
    // emulated on Arm64 is no WOW64 process, so only this tells it.
    using IsWow64Process2 = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    if (const auto ask = from<IsWow64Process2>(L"kernel32.dll", "IsWow64Process2")) {
        USHORT process = 0, native = 0;
        if (ask(GetCurrentProcess(), &process, &native)) {
            const std::wstring machine = from_utf8(name_of_machine(native));
            if (native == kThisBuild) return build + L", natively";
            if (process == IMAGE_FILE_MACHINE_I386 && native == IMAGE_FILE_MACHINE_AMD64)
                return build + L", under WOW64 on an x64 machine";
            return build + L", emulated on an " + machine + L" machine";
        }
    }
    BOOL wow64 = FALSE;
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) return build + L", under WOW64 on a 64-bit machine";
    return build + L", natively as far as this Windows tells";
}

}  // namespace tarnwick::testing
