// A copy replaces what was on the clipboard, whole: another program's ANSI
// text or format of its own must not stay beside the new text, or programs
// that ask for it first paste the old content. Afterwards the clipboard holds
// the Unicode text and only the formats Windows makes of it, among them an
// ANSI text that says the same.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "clipboard_run.h"
#include "tarnwick_process.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

// What Windows offers beside a CF_UNICODETEXT block: the same text in the
// ANSI and OEM code pages, and the locale they were converted with.
const std::set<UINT> kUnicodeTextAndWhatWindowsMakesOfIt{CF_UNICODETEXT, CF_LOCALE, CF_TEXT, CF_OEMTEXT};

std::string name_of(UINT format) {
    switch (format) {
        case CF_TEXT: return "CF_TEXT";
        case CF_OEMTEXT: return "CF_OEMTEXT";
        case CF_UNICODETEXT: return "CF_UNICODETEXT";
        case CF_LOCALE: return "CF_LOCALE";
        default: break;
    }
    wchar_t name[256]{};
    if (GetClipboardFormatNameW(format, name, 256) == 0) return "format " + std::to_string(format);
    std::string quoted(1, '"');
    quoted += to_utf8(name);
    return quoted += '"';
}

std::string names_of(const std::vector<UINT>& formats) {
    std::string names;
    for (const UINT format : formats) names += (names.empty() ? "" : ", ") + name_of(format);
    return names;
}

// The ANSI text up to its NUL: Windows may make the block longer than that.
std::string up_to_nul(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

TEST(ReplacingTheClipboard, LeavesOnlyTheTextAndWhatWindowsMakesOfIt) {
    const UINT othersFormat = RegisterClipboardFormatW(L"Tarnwick self-test: another program's own format");
    ASSERT_NE(othersFormat, 0u);
    ASSERT_TRUE(write_clipboard_blocks({{CF_TEXT, std::string("an older ANSI text", 19)},
                                        {othersFormat, std::string("\x01\x02\x03\x04", 4)}}));

    const ClipboardRun run = run_and_watch(L"tarnwick.exe alpha \"beta gamma\"");

    ASSERT_TRUE(run.status.has_value()) << did_not_end();
    ASSERT_NE(run.status, kClipboardBusy) << said_busy_with_nobody_there();
    ASSERT_EQ(run.status, 0u);
    EXPECT_EQ(run.after, with_nul(L"alpha\r\nbeta gamma\r\n"));
    ASSERT_TRUE(open_clipboard_patiently(nullptr));
    const std::vector<UINT> formats = formats_of_open_clipboard();
    const std::optional<std::string> ansi = bytes_of_open_clipboard(CF_TEXT);
    CloseClipboard();
    EXPECT_EQ(std::set<UINT>(formats.begin(), formats.end()), kUnicodeTextAndWhatWindowsMakesOfIt)
        << "the clipboard offers " << names_of(formats);
    ASSERT_TRUE(ansi.has_value()) << "no ANSI text for programs that ask for one";
    EXPECT_EQ(up_to_nul(*ansi), "alpha\r\nbeta gamma\r\n") << "a program that asks for ANSI text pastes this";
}

}  // namespace
}  // namespace tarnwick::testing
