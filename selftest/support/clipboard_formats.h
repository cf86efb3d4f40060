// What the clipboard offers after a copy, judged as a program that pastes
// would find it: besides CF_UNICODETEXT only the formats Windows makes of it
// (CF_LOCALE, CF_TEXT, CF_OEMTEXT), and the ANSI and OEM texts Windows makes
// are the placed text converted to the code pages of CF_LOCALE, byte for
// byte. A program that places a text format of its own (UTF-8 bytes as
// CF_TEXT, say) makes programs that ask for ANSI text paste something else.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarnwick::testing {

struct FormatsJudged {
    std::vector<std::string> faults;  // what a program that pastes would find wrong
    // How many of CF_TEXT and CF_OEMTEXT were compared byte for byte with a
    // text beyond ASCII: only a text the code page holds is compared (what
    // Windows writes for other characters is its own best fit).
    int comparedBeyondAscii = 0;
};

// Judges the clipboard, which the caller has open, against the
// CF_UNICODETEXT block that was placed (every code unit, the NUL included).
FormatsJudged judge_text_formats(const std::wstring& placedBlock);

// Letters beyond ASCII from several scripts that both the ANSI and the OEM
// code page of the keyboard's language hold exactly (é, ß and ü where that is
// Western European, Ж and я where it is Cyrillic), for a text whose converted
// forms can be compared byte for byte; empty when those code pages hold none.
std::wstring letters_both_code_pages_hold();

// A format's name, as a program that lists the clipboard would show it.
std::string name_of_format(UINT format);

}  // namespace tarnwick::testing
