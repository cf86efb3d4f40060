// The executable as Windows sees it, read back through the Windows API for
// both builds: the version record Explorer shows, the icon and the manifest.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tarnwick_process.h"

namespace tarnwick::testing {
namespace {

struct Build {
    const char* name;
    const wchar_t* pathVariable;
};

void PrintTo(const Build& build, std::ostream* os) { *os << build.name; }

class Resources : public ::testing::TestWithParam<Build> {
protected:
    std::wstring path() const { return path_from_environment(GetParam().pathVariable); }

    std::vector<BYTE> version_record() const {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path().c_str(), &ignored);
        std::vector<BYTE> record(size);
        if (size == 0 || !GetFileVersionInfoW(path().c_str(), 0, size, record.data())) record.clear();
        return record;
    }
};

struct FreeLibraryOnExit {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using unique_module = std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeLibraryOnExit>;

unique_module load_as_data(const std::wstring& path) {
    return unique_module(
        LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

std::string resource_bytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
    const HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr) return {};
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(bytes, SizeofResource(module, found));
}

TEST_P(Resources, VersionStringsAreThoseExplorerShows) {
    std::vector<BYTE> record = version_record();
    ASSERT_FALSE(record.empty()) << "no version record";
    const std::pair<const wchar_t*, const wchar_t*> expected[] = {
        {L"FileDescription", L"Copy Arguments to Clipboard"},
        {L"ProductName", L"Tarnwick"},
        {L"InternalName", L"tarnwick"},
        {L"OriginalFilename", L"tarnwick.exe"},
        {L"FileVersion", L"1.0.0.0"},
        {L"ProductVersion", L"1.0.0.0"},
        {L"CompanyName", L"Tarnwick developers"},
        {L"LegalCopyright", L"Copyright (C) 2026 Tarnwick developers"},
    };
    for (const auto& [key, value] : expected) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        wchar_t* text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(record.data(), query.c_str(), reinterpret_cast<void**>(&text), &length))
            << "missing " << ::testing::PrintToString(std::wstring(key));
        EXPECT_EQ(std::wstring(text), value);
    }
}

TEST_P(Resources, FixedVersionIsOneZeroZeroZeroForAnApplication) {
    std::vector<BYTE> record = version_record();
    ASSERT_FALSE(record.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
}

TEST_P(Resources, TranslationIsUsEnglishInUnicode) {
    std::vector<BYTE> record = version_record();
    ASSERT_FALSE(record.empty());
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u) << "exactly one translation";
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

BOOL CALLBACK count_resource(HMODULE, LPCWSTR, LPWSTR, LONG_PTR counter) {
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

TEST_P(Resources, HasOneIconOfOne32PixelImageIn16Colours) {
    const unique_module module = load_as_data(path());
    ASSERT_TRUE(module);
    int groups = 0;
    EnumResourceNamesW(module.get(), RT_GROUP_ICON, &count_resource, reinterpret_cast<LONG_PTR>(&groups));
    ASSERT_EQ(groups, 1);

    const std::string group = resource_bytes(module.get(), MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_GE(group.size(), sizeof(IconGroup));
    const auto& directory = *reinterpret_cast<const IconGroup*>(group.data());
    ASSERT_EQ(directory.count, 1);
    const IconGroupEntry& entry = directory.entries[0];
    EXPECT_EQ(entry.width, 32);
    EXPECT_EQ(entry.height, 32);
    EXPECT_EQ(entry.colourCount, 16);
    EXPECT_EQ(entry.bitCount, 4);

    std::string image = resource_bytes(module.get(), MAKEINTRESOURCEW(entry.id), RT_ICON);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    const auto& header = *reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
    EXPECT_EQ(header.biWidth, 32);
    EXPECT_EQ(header.biHeight, 64) << "colour rows and mask rows";
    EXPECT_EQ(header.biBitCount, 4);

    const HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(image.data()),
                                                static_cast<DWORD>(image.size()), TRUE, 0x00030000,
                                                32, 32, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr) << "Windows cannot load the icon";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 32);
    EXPECT_EQ(colour.bmHeight, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

TEST_P(Resources, ManifestRunsAsInvokerWithModernLookOnEveryMonitor) {
    const unique_module module = load_as_data(path());
    ASSERT_TRUE(module);
    const std::string manifest =
        resource_bytes(module.get(), CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    ASSERT_FALSE(manifest.empty()) << "no manifest";
    for (const char* fragment : {
             R"(level="asInvoker")",
             R"(uiAccess="false")",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
             "PerMonitorV2",
             R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
         })
        EXPECT_NE(manifest.find(fragment), std::string::npos) << fragment;
}

INSTANTIATE_TEST_SUITE_P(Builds, Resources,
                         ::testing::Values(Build{"x86", L"TARNWICK_X86_EXE"},
                                           Build{"x64", L"TARNWICK_EXE"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
