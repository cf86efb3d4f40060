// UTF-16 text as UTF-8 bytes and back, for what the test programs print and
// read from other programs.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwick::testing {

// UTF-16 text in a code page, as WideCharToMultiByte writes it with no flags.
inline std::string in_code_page(const std::wstring& text, UINT codePage) {
    const int size = static_cast<int>(text.size());
    std::string bytes(static_cast<size_t>(WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr,
                                                              nullptr)),
                      '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
    return bytes;
}

inline std::string to_utf8(const std::wstring& text) { return in_code_page(text, CP_UTF8); }

inline std::wstring from_utf8(const std::string& text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

}  // namespace tarnwick::testing
