// UTF-16 text as UTF-8 bytes and back, for what the test programs print and
// read from other programs.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwick::testing {

inline std::string to_utf8(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    std::string utf8(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr,
                                                             nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

inline std::wstring from_utf8(const std::string& text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

}  // namespace tarnwick::testing
