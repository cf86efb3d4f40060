// A copy replaces what was on the clipboard, whole: another program's ANSI
// text or format of its own must not stay beside the new text, or programs
// that ask for it first paste the old content. Afterwards the clipboard holds
// the Unicode text and only the formats Windows makes of it, and the ANSI and
// OEM texts Windows makes say the same, byte for byte, in the code pages of
// the text's locale: letters beyond ASCII included.
#include <gtest/gtest.h>

#include <string>

#include "clipboard_access.h"
#include "clipboard_formats.h"
#include "command_line_quoting.h"
#include "utf8.h"
#include "watched_run.h"

namespace tarnwick::testing {
namespace {

TEST(ReplacingTheClipboard, LeavesOnlyTheTextAndWhatWindowsMakesOfIt) {
    const UINT othersFormat = RegisterClipboardFormatW(L"Tarnwick self-test: another program's own format");
    ASSERT_NE(othersFormat, 0u);
    ASSERT_TRUE(write_clipboard_blocks({{CF_TEXT, std::string("an older ANSI text", 19)},
                                        {othersFormat, std::string("\x01\x02\x03\x04", 4)}}));
    const std::wstring letters = letters_both_code_pages_hold();
    const std::vector<std::wstring> arguments{L"alpha", L"beta gamma", L"caf" + letters};

    const WatchedRun run = run_and_watch(command_line_for(L"tarnwick.exe", arguments));

    EXPECT_TRUE(run.seen.empty()) << run.what_else_was_seen();
    ASSERT_TRUE(run.status.has_value()) << did_not_end();
    ASSERT_NE(run.status, kClipboardBusy) << said_busy_with_nobody_there();
    ASSERT_EQ(run.status, 0u);
    EXPECT_EQ(run.after, clipboard_block_for(arguments));
    if (letters.empty()) {
        RecordProperty("note", "the code pages of the keyboard's language hold none of the letters tried, so the "
                               "ANSI and OEM texts were compared in ASCII only");
    } else {
        EXPECT_EQ(run.textFormatsComparedBeyondAscii, 2)
            << "the ANSI and OEM texts were not both compared with " << to_utf8(letters)
            << ": the locale Windows put on the clipboard is not the keyboard's";
        RecordProperty("note", "the ANSI and OEM texts compared byte for byte, with " + to_utf8(letters));
    }
}

}  // namespace
}  // namespace tarnwick::testing
