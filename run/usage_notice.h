// The texts of the notice shown when the program is started without arguments.
#pragma once

#include <windows.h>

namespace tarnwick::usage_notice {

inline constexpr wchar_t kPrompt[] =
    L"Copies all arguments to the clipboard.\r\n"
    L"Kopiert alle Parameter in die Zwischenablage.";
inline constexpr wchar_t kTitle[] = L"Tarnwick";
inline constexpr UINT kStyle = 0;  // OK only, no icon, first button default, application-modal

}  // namespace tarnwick::usage_notice
