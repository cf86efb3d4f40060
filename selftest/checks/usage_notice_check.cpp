// Started without arguments, the program shows its usage notice as a real
// message box and leaves the clipboard alone: while the notice is up, the
// clipboard is free and unchanged, and no other window shows. The notice is recognised by what the
// program controls: its title, its two lines, and one push button, which only
// an OK-only message box has. Neither the button's label, which Windows writes
// in the language of its interface ("OK", "ОК", "确定"), nor its control ID is
// asserted: Wine gives it IDOK, and which ID Windows gives it is not known.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "utf8.h"
#include "watched_run.h"

namespace tarnwick::testing {
namespace {

constexpr wchar_t kPrompt[] =
    L"Copies all arguments to the clipboard.\r\nKopiert alle Parameter in die Zwischenablage.";

struct NoticeControls {
    std::vector<HWND> buttons;
    std::vector<std::wstring> texts;
    bool showsIcon = false;
};

// Asked of the window itself, but never waiting on it for long: a window of
// a program that hangs must not hang the check.
std::wstring text_of(HWND window) {
    wchar_t buffer[512]{};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, 5'000, &copied))
        return {};
    return std::wstring(buffer, std::min<size_t>(copied, std::size(buffer) - 1));
}

std::wstring class_of(HWND window) {
    wchar_t buffer[64]{};
    GetClassNameW(window, buffer, 64);
    return buffer;
}

BOOL CALLBACK collect_control(HWND child, LPARAM parameter) {
    auto& controls = *reinterpret_cast<NoticeControls*>(parameter);
    if (!IsWindowVisible(child)) return TRUE;
    const std::wstring kind = class_of(child);
    if (_wcsicmp(kind.c_str(), L"Button") == 0) controls.buttons.push_back(child);
    if (_wcsicmp(kind.c_str(), L"Static") == 0) {
        const bool iconStyle = (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        DWORD_PTR icon = 0;
        if (iconStyle && SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5'000, &icon) && icon != 0)
            controls.showsIcon = true;
        controls.texts.push_back(text_of(child));
    }
    return TRUE;
}

NoticeControls controls_of(HWND notice) {
    NoticeControls controls;
    EnumChildWindows(notice, &collect_control, reinterpret_cast<LPARAM>(&controls));
    return controls;
}

struct UsageCase {
    const char* name;
    std::wstring commandLine;
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class UsageNotice : public ::testing::TestWithParam<UsageCase> {};

// Presses the button as the dialog sees a click: WM_COMMAND with the button's
// own ID, BN_CLICKED and its handle. Unlike a click, this works while the
// notice is not the active window.
void press(HWND notice, HWND button) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(notice, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                        reinterpret_cast<LPARAM>(button), SMTO_ABORTIFHUNG, 5'000, &ignored);
}

// What the notice showed while it was up, and how the clipboard was meanwhile.
struct NoticeSeen {
    bool appeared = false;
    std::wstring title;
    NoticeControls controls;
    bool clipboardFree = false;
    bool clipboardUnchanged = false;
    std::wstring buttonLabel;  // of its one button, which is gone once pressed
    int buttonId = 0;
};

TEST_P(UsageNotice, ShowsBothLinesUnderTitleWithOnlyOkAndLeavesClipboardAlone) {
    ASSERT_TRUE(write_clipboard_text(L"kept"));
    const DWORD sequence = GetClipboardSequenceNumber();
    NoticeSeen notice;

    // The watcher hands over the program's first window; any other ends the run.
    const WatchedRun run = run_and_watch(GetParam().commandLine, [&](HWND window) {
        notice.appeared = true;
        const unique_window probe(create_message_window());
        notice.clipboardFree = OpenClipboard(probe.get()) && CloseClipboard();
        notice.clipboardUnchanged = GetClipboardSequenceNumber() == sequence;
        notice.title = text_of(window);
        notice.controls = controls_of(window);
        if (notice.controls.buttons.size() != 1) return false;  // not OK-only: the watcher ends it
        const HWND button = notice.controls.buttons.front();
        notice.buttonLabel = text_of(button);
        notice.buttonId = GetDlgCtrlID(button);
        press(window, button);
        return true;
    });

    ASSERT_TRUE(notice.appeared) << "no usage notice appeared; " << run.what_else_was_seen();
    EXPECT_TRUE(notice.clipboardFree) << "the clipboard is held while the notice is up";
    EXPECT_TRUE(notice.clipboardUnchanged) << "the clipboard changed while the notice is up";
    EXPECT_EQ(notice.title, L"Tarnwick");
    EXPECT_NE(std::find(notice.controls.texts.begin(), notice.controls.texts.end(), kPrompt),
              notice.controls.texts.end());
    EXPECT_FALSE(notice.controls.showsIcon);
    ASSERT_EQ(notice.controls.buttons.size(), 1u) << "a message box with more than one button is not OK-only";
    RecordProperty("note", to_utf8(L"its one button reads \"" + notice.buttonLabel + L"\" and has the ID " +
                                   std::to_wstring(notice.buttonId)));
    EXPECT_TRUE(run.seen.empty()) << run.what_else_was_seen();
    ASSERT_TRUE(run.status.has_value()) << "the run did not end after OK, so the check ended it";
    EXPECT_EQ(run.status, 0u);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence) << "the clipboard changed";
    EXPECT_EQ(read_clipboard_block(), with_nul(L"kept"));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLinesWithoutArguments, UsageNotice,
    ::testing::Values(UsageCase{"ProgramNameOnly", L"tarnwick.exe"},
                      UsageCase{"QuotedPathWithSpaces", L"\"C:\\Program Files\\Tarnwick\\tarnwick.exe\""},
                      UsageCase{"TrailingBlanks", L"tarnwick.exe \t  "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
