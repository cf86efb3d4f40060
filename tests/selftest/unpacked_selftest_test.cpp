// The self-test as a user runs it: unpacked into the folder of a tarnwick.exe,
// started with no TARNWICK_EXE, on a quiet desktop or beside clipboard tools
// that keep the desktop's clipboard busy. It must pass the real program and a
// notice whose one button has the ID IDCANCEL; fail the floor program (which shows no
// usage notice) and each faulty build, in the checks aimed at its fault and no
// others; and never touch the desktop's clipboard: afterwards it holds what it
// held before, byte for byte, and was never changed.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "clipboard_access.h"
#include "process_output.h"
#include "tarnwick_process.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

constexpr DWORD kWholeSelfTestMs = 300'000;
const std::wstring kUsersText = L"the user's own text \U0001F600 before the self-test";

// Where the build put what is unpacked (TARNWICK_EXE names the x64 build).
const std::wstring kSelfTest = windows_path(L"" TARNWICK_SELFTEST_EXE);
const std::wstring kUnpackFolder = windows_path(L"" TARNWICK_UNPACK_DIR);

// What is unpacked as tarnwick.exe.
enum class AsTarnwick {
    X64Build,
    FloorProgram,
    NeverReturns,
    BusyAThirdOfRuns,
    WaitsHalfASecond,
    KeepsClipboardOpen,
    TrimsArguments,
    LeavesEarlierContent,
    EmptiesInAHoldOfItsOwn,
    ConsoleProgram,
    NoticeWithTwoButtons,
    NoticeWhoseButtonHasTheCancelId,
    NoProgram
};

std::wstring path_of(AsTarnwick program) {
    switch (program) {
        case AsTarnwick::X64Build: return path_from_environment(L"TARNWICK_EXE");
        case AsTarnwick::FloorProgram: return windows_path(L"" TARNWICK_FLOOR_EXE);
        case AsTarnwick::NeverReturns: return windows_path(L"" TARNWICK_NEVER_RETURNS_EXE);
        case AsTarnwick::BusyAThirdOfRuns: return windows_path(L"" TARNWICK_BUSY_A_THIRD_OF_RUNS_EXE);
        case AsTarnwick::WaitsHalfASecond: return windows_path(L"" TARNWICK_WAITS_HALF_A_SECOND_EXE);
        case AsTarnwick::KeepsClipboardOpen: return windows_path(L"" TARNWICK_KEEPS_CLIPBOARD_OPEN_EXE);
        case AsTarnwick::TrimsArguments: return windows_path(L"" TARNWICK_TRIMS_ARGUMENTS_EXE);
        case AsTarnwick::LeavesEarlierContent: return windows_path(L"" TARNWICK_LEAVES_EARLIER_CONTENT_EXE);
        case AsTarnwick::EmptiesInAHoldOfItsOwn: return windows_path(L"" TARNWICK_EMPTIES_IN_A_HOLD_OF_ITS_OWN_EXE);
        case AsTarnwick::ConsoleProgram: return windows_path(L"" TARNWICK_CONSOLE_PROGRAM_EXE);
        case AsTarnwick::NoticeWithTwoButtons: return windows_path(L"" TARNWICK_NOTICE_WITH_TWO_BUTTONS_EXE);
        case AsTarnwick::NoticeWhoseButtonHasTheCancelId: return windows_path(L"" TARNWICK_NOTICE_WITH_CANCEL_ID_EXE);
        case AsTarnwick::NoProgram: break;
    }
    return kSelfTest + L".notaprogram";
}

struct Unpacked {
    const char* name;
    AsTarnwick program;
    std::string filter;                // the checks to run (--gtest_filter); empty: all of them
    std::vector<std::string> failing;  // the checks that must fail, and no others
    std::string says = {};             // what else the output must hold, where the row is about it
    bool besideClipboardTools = false;
    bool namesX64BuildWithExe = false;  // started with --exe and the x64 build's path
    const wchar_t* runDeadlineS = nullptr;  // TARNWICK_RUN_DEADLINE_S, where the row sets one
};

void PrintTo(const Unpacked& u, std::ostream* os) { *os << u.name; }

// A folder NAME\x64\ holding the self-test and, as tarnwick.exe, the given
// program: one folder of the two zips, unpacked together.
std::wstring unpack(const char* name, const std::wstring& program) {
    const std::wstring folder = kUnpackFolder + L"\\" + std::wstring(name, name + strlen(name));
    const std::wstring x64 = folder + L"\\x64\\";
    for (const std::wstring& level : {kUnpackFolder, folder, x64}) CreateDirectoryW(level.c_str(), nullptr);
    const bool copied =
        CopyFileW(kSelfTest.c_str(), (x64 + L"tarnwick-selftest.exe").c_str(), FALSE) &&
        CopyFileW(program.c_str(), (x64 + L"tarnwick.exe").c_str(), FALSE);
    return copied ? x64 : std::wstring();
}

// A program on the desktop that reads the clipboard, in a process of its own,
// until it goes (clipboard_manager.cpp).
class ClipboardTool {
public:
    explicit ClipboardTool(const std::wstring& schedule) {
        const std::wstring readyName = L"TarnwickTestClipboardTool" + std::to_wstring(++started_);
        const unique_handle ready(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
        process_ = start_process(windows_path(L"" CLIPBOARD_MANAGER_EXE),
                                 L"clipboard_manager.exe " + schedule + L" " + readyName);
        reading_ = WaitForSingleObject(ready.get(), 30'000) == WAIT_OBJECT_0;
    }
    bool reading() const { return reading_; }

private:
    static inline int started_ = 0;
    StartedProcess process_;  // ended when the tool goes
    bool reading_ = false;
};

// The clipboard tools of a busy desktop: a clipboard manager that keeps the
// clipboard open 150 ms after every change, an older tool that opens it every
// 200 ms for 50 ms, and one that holds it 90 ms of every 100.
struct ClipboardTools {
    ClipboardTool manager{L"150"}, reader{L"--timer 200 50"}, hog{L"--timer 100 90"};
    bool reading() const { return manager.reading() && reader.reading() && hog.reading(); }
};

// The user's clipboard: a text, and a picture of a format of its own.
ClipboardBlocks users_clipboard() {
    std::string picture;
    for (int byte = 0; byte < 256; ++byte) picture.push_back(static_cast<char>(byte));
    return {{CF_UNICODETEXT, bytes_of(with_nul(kUsersText))},
            {RegisterClipboardFormatW(L"Tarnwick test: the user's picture"), picture}};
}

// What the clipboard holds of the formats in `blocks`, byte for byte.
std::optional<ClipboardBlocks> read_back(const ClipboardBlocks& blocks) {
    if (!open_clipboard_patiently(nullptr)) return std::nullopt;
    ClipboardBlocks found;
    for (const auto& [format, bytes] : blocks) found.emplace_back(format, bytes_of_open_clipboard(format).value_or(""));
    CloseClipboard();
    return found;
}

// The line that follows `label` in the output ("Failed: ").
std::string line_after(const std::string& output, const std::string& label) {
    const size_t at = output.find("\n" + label);
    if (at == std::string::npos) return {};
    const size_t start = at + 1 + label.size();
    return output.substr(start, output.find_first_of("\r\n", start) - start);
}

// The names the summary gives, "Name, Name, …", as a list.
std::vector<std::string> names_in(const std::string& line) {
    std::vector<std::string> names;
    for (size_t start = 0; start < line.size();) {
        const size_t end = std::min(line.find(", ", start), line.size());
        names.push_back(line.substr(start, end - start));
        start = end + 2;
    }
    return names;
}

class UnpackedSelfTest : public ::testing::TestWithParam<Unpacked> {};

TEST_P(UnpackedSelfTest, ReportsEveryCheckAndLeavesTheDesktopClipboardAlone) {
    const Unpacked& u = GetParam();
    const std::wstring x64Build = path_from_environment(L"TARNWICK_EXE");
    if (u.program == AsTarnwick::NoProgram) {
        const unique_handle file(CreateFileW(path_of(u.program).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), "not a program", 13, &written, nullptr);
    }
    const std::wstring folder = unpack(u.name, path_of(u.program));
    ASSERT_FALSE(folder.empty()) << "could not lay out the folder: error " << GetLastError();
    const ClipboardBlocks users = users_clipboard();
    ASSERT_TRUE(write_clipboard_blocks(users));
    const DWORD sequence = GetClipboardSequenceNumber();
    std::optional<ClipboardTools> tools;
    if (u.besideClipboardTools) {
        ASSERT_TRUE(tools.emplace().reading()) << "the clipboard tools did not start";
    }

    SetEnvironmentVariableW(L"TARNWICK_EXE", nullptr);  // as on a user's machine
    SetEnvironmentVariableW(L"TARNWICK_RUN_DEADLINE_S", u.runDeadlineS);
    std::wstring arguments = u.filter.empty() ? L"" : L" --gtest_filter=" + from_utf8(u.filter);
    if (u.namesX64BuildWithExe) arguments += L" --exe \"" + x64Build + L"\"";
    const Finished run = run_collecting_output(folder + L"tarnwick-selftest.exe",
                                               L"tarnwick-selftest.exe" + arguments, kWholeSelfTestMs);
    SetEnvironmentVariableW(L"TARNWICK_EXE", x64Build.c_str());
    SetEnvironmentVariableW(L"TARNWICK_RUN_DEADLINE_S", nullptr);
    tools.reset();

    SCOPED_TRACE("its output:\n" + run.output);
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence) << "the desktop's clipboard was changed";
    EXPECT_EQ(read_back(users), users) << "the desktop's clipboard does not hold what it held";
    ASSERT_TRUE(run.status.has_value()) << "the self-test did not end";
    EXPECT_EQ(run.output.find("C++ exception"), std::string::npos);
    EXPECT_NE(run.output.find(u.says), std::string::npos) << u.says;
    if (u.program == AsTarnwick::NoProgram) {
        EXPECT_EQ(*run.status, 2u) << "it checked what is no program";
        return;
    }
    std::smatch count;
    ASSERT_TRUE(std::regex_search(run.output, count, std::regex(R"((\d+) checks passed, (\d+) failed)")));
    EXPECT_EQ(*run.status, count[2] == "0" ? 0u : 1u);
    EXPECT_EQ(names_in(line_after(run.output, "Failed: ")), u.failing);
}

const std::string kUsageNoticeChecks = "CommandLinesWithoutArguments/UsageNotice.*";
const std::string kUsageNoticeCheck =
    "CommandLinesWithoutArguments/UsageNotice.ShowsBothLinesUnderTitleWithOnlyOkAndLeavesClipboardAlone/";
const std::vector<std::string> kEachUsageNoticeCheck{kUsageNoticeCheck + "ProgramNameOnly",
                                                     kUsageNoticeCheck + "QuotedPathWithSpaces",
                                                     kUsageNoticeCheck + "TrailingBlanks"};
const std::string kListenerCheck = "ClipboardListener.SeesOneUpdatePerCopyNoneForABusyRunAndNeverAnEmptyClipboard";
const std::string kBusyCheck = "BusyClipboard.RunEndsPromptlyWithoutDialogAndLeavesTextInPlace";
const std::string kReplacingCheck = "ReplacingTheClipboard.LeavesOnlyTheTextAndWhatWindowsMakesOfIt";
const std::string kWindowedCheck = "WindowedProgram.IsBuiltForTheWindowsSubsystemSoNoConsoleAppears";
const std::string kCopyCheck = "RawCommandLines/Copy.PlacesEveryArgumentFollowedByLineEndAndOneNul/";
const std::string kTwoArguments = kCopyCheck + "TwoArguments";
const std::string kAllPassed = "31 checks passed, 0 failed";

const Unpacked kLayouts[] = {
    {"BesideTheX64Build", AsTarnwick::X64Build, "", {}, kAllPassed},
    {"BesideTheX64BuildAndClipboardToolsThatKeepTheDesktopsClipboardBusy", AsTarnwick::X64Build, "", {}, kAllPassed,
     true},
    // The floor program copies, but shows no usage notice.
    {"BesideTheFloorProgram", AsTarnwick::FloorProgram, kUsageNoticeChecks, kEachUsageNoticeCheck,
     "no usage notice appeared"},
    {"ExeOptionOverridesItsFolder", AsTarnwick::FloorProgram, kUsageNoticeChecks, {}, "3 checks passed, 0 failed",
     false, true},
    {"NoticeWithTwoButtons", AsTarnwick::NoticeWithTwoButtons, kUsageNoticeChecks, kEachUsageNoticeCheck,
     "more than one button"},
    {"NoticeWhoseButtonHasTheCancelId", AsTarnwick::NoticeWhoseButtonHasTheCancelId, kUsageNoticeChecks, {}, "3 checks passed, 0 failed"},
    // It fails on the check's own deadline, well within the suite's.
    {"BesideAProgramThatNeverEnds", AsTarnwick::NeverReturns, kTwoArguments, {kTwoArguments},
     "tarnwick.exe did not end within 10 s, so the check ended it", false, false, L"10"},
    {"BesideAFileThatIsNoProgram", AsTarnwick::NoProgram, "", {}, "(error 193, not a program it can run)"},
    // The listener reads the emptied clipboard between its two holds, or is
    // reading it when the second open fails; either way it fails.
    {"EmptiesInAHoldOfItsOwn", AsTarnwick::EmptiesInAHoldOfItsOwn, kListenerCheck + ":" + kTwoArguments,
     {kListenerCheck}},
    // Over 24 copies it says "busy" on some, however the starts fall.
    {"BusyOnAThirdOfItsRuns", AsTarnwick::BusyAThirdOfRuns, kListenerCheck, {kListenerCheck},
     "said the clipboard was busy, but nothing else could reach it"},
    {"WaitsHalfASecondForTheClipboard", AsTarnwick::WaitsHalfASecond, kBusyCheck, {kBusyCheck},
     "the run waited for the clipboard"},
    {"KeepsTheClipboardOpenAfterPlacing", AsTarnwick::KeepsClipboardOpen, kTwoArguments, {kTwoArguments},
     "kept the clipboard open"},
    {"TrimsItsArguments", AsTarnwick::TrimsArguments, kCopyCheck + "*Blanks*",
     {kCopyCheck + "BlanksAtEitherEndOfAnArgumentStay", kCopyCheck + "ArgumentsOfBlanksOnlyStay"}},
    // Its text is right; what was there before stays beside it.
    {"LeavesEarlierContentBesideItsText", AsTarnwick::LeavesEarlierContent, kReplacingCheck + ":" + kTwoArguments,
     {kReplacingCheck}, "an older ANSI text"},
    // It copies and shows its notice as the real program does.
    {"BuiltAsAConsoleProgram", AsTarnwick::ConsoleProgram,
     kWindowedCheck + ":" + kTwoArguments + ":" + kUsageNoticeCheck + "ProgramNameOnly", {kWindowedCheck},
     "it is built as a console program"},
};

INSTANTIATE_TEST_SUITE_P(Layouts, UnpackedSelfTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

// Self-tests of one logon session share its station, and with it a
// clipboard: two started at once (a double-click too many) take turns, and
// neither sees the other's texts.
TEST(TwoSelfTestsStartedAtOnce, TakeTurnsAndBothPass) {
    const std::wstring folder = unpack("TwoAtOnce", path_from_environment(L"TARNWICK_EXE"));
    ASSERT_FALSE(folder.empty()) << "could not lay out the folder: error " << GetLastError();
    const auto run = [&] {
        return run_collecting_output(folder + L"tarnwick-selftest.exe",
                                     L"tarnwick-selftest.exe --gtest_filter=ClipboardListener.*:ReplacingTheClipboard.*",
                                     kWholeSelfTestMs);
    };
    Finished second;
    std::thread alongside([&] { second = run(); });
    const Finished first = run();
    alongside.join();

    for (const Finished* one : std::vector<const Finished*>{&first, &second}) {
        SCOPED_TRACE("its output:\n" + one->output);
        EXPECT_EQ(one->status, 0u);
        EXPECT_NE(one->output.find("2 checks passed, 0 failed"), std::string::npos);
    }
    const std::string waited = "Another tarnwick-selftest is running on this desktop; this one starts once it has ended.";
    EXPECT_NE((first.output + second.output).find(waited), std::string::npos) << "neither waited for the other";
}

}  // namespace
}  // namespace tarnwick::testing
