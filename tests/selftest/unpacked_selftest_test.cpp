// The self-test as a user runs it: unpacked into the folder of a tarnwick.exe,
// started with no TARNWICK_EXE, on a quiet desktop, beside a clipboard
// manager, or beside a reader that opens the clipboard on a timer. It must
// pass the real program and a notice drawn as Windows draws it; fail the
// floor program (which shows no usage notice) and each faulty build, in the
// checks aimed at its fault and no others; tell a busy clipboard from a
// fault; and leave the clipboard's text as it found it.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "tarnwick_process.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

constexpr DWORD kWholeSelfTestMs = 300'000;
constexpr DWORD kClipboardManagerHoldsMs = 150;
constexpr DWORD kTimerEveryMs = 200, kTimerHoldsMs = 50;
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
    NoticeWithTwoButtons,
    NoticeAsWindowsDrawsIt,
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
        case AsTarnwick::NoticeWithTwoButtons: return windows_path(L"" TARNWICK_NOTICE_WITH_TWO_BUTTONS_EXE);
        case AsTarnwick::NoticeAsWindowsDrawsIt: return windows_path(L"" TARNWICK_NOTICE_AS_WINDOWS_DRAWS_EXE);
        case AsTarnwick::NoProgram: break;
    }
    return kSelfTest + L".notaprogram";
}

// Another program on the desktop that reads the clipboard.
enum class Beside { Nothing, ClipboardManager, ReaderOnATimer };

struct Unpacked {
    const char* name;
    AsTarnwick program;
    Beside beside;
    std::string filter;                // the checks to run (--gtest_filter); empty: all of them
    std::vector<std::string> failing;  // the checks that must fail, and no others
    std::string says = {};             // what else the output must hold, where the row is about it
    int mostNotChecked = 0;
    bool namesX64BuildWithExe = false;  // started with --exe and the x64 build's path
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

// A reader of the clipboard in a process of its own, reading until it goes.
class ClipboardReader {
public:
    explicit ClipboardReader(Beside kind) {
        const std::wstring readyName = L"TarnwickTestClipboardReaderReady";
        const unique_handle ready(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
        const std::wstring schedule = kind == Beside::ClipboardManager
                                          ? std::to_wstring(kClipboardManagerHoldsMs)
                                          : L"--timer " + std::to_wstring(kTimerEveryMs) + L" " +
                                                std::to_wstring(kTimerHoldsMs);
        process_ = start_process(windows_path(L"" CLIPBOARD_MANAGER_EXE),
                                 L"clipboard_manager.exe " + schedule + L" " + readyName);
        reading_ = WaitForSingleObject(ready.get(), 30'000) == WAIT_OBJECT_0;
    }
    bool reading() const { return reading_; }

private:
    StartedProcess process_;  // ended when the reader goes
    bool reading_ = false;
};

// The line that follows `label` in the output ("Failed: ", "Not checked: ").
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

TEST_P(UnpackedSelfTest, ReportsEveryCheckAndPutsTheClipboardTextBack) {
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
    std::optional<ClipboardReader> reader;
    if (u.beside != Beside::Nothing) {
        ASSERT_TRUE(reader.emplace(u.beside).reading()) << "the clipboard reader did not start";
    }
    ASSERT_TRUE(write_clipboard_text(kUsersText));

    SetEnvironmentVariableW(L"TARNWICK_EXE", nullptr);  // as on a user's machine
    std::wstring arguments = u.filter.empty() ? L"" : L" --gtest_filter=" + from_utf8(u.filter);
    if (u.namesX64BuildWithExe) arguments += L" --exe \"" + x64Build + L"\"";
    const Finished run = run_collecting_output(folder + L"tarnwick-selftest.exe",
                                               L"tarnwick-selftest.exe" + arguments, kWholeSelfTestMs);
    SetEnvironmentVariableW(L"TARNWICK_EXE", x64Build.c_str());

    SCOPED_TRACE("its output:\n" + run.output);
    ASSERT_TRUE(run.status.has_value()) << "the self-test did not end";
    EXPECT_EQ(run.output.find("C++ exception"), std::string::npos);
    EXPECT_NE(run.output.find(u.says), std::string::npos) << u.says;
    EXPECT_EQ(read_clipboard_block(), with_nul(kUsersText)) << "the user's text is gone";
    if (u.program == AsTarnwick::NoProgram) {
        EXPECT_EQ(*run.status, 2u) << "it checked what is no program";
        return;
    }

    EXPECT_NE(run.output.find("The clipboard's text (" + std::to_string(kUsersText.size() + 1) +
                              " characters) is saved now"),
              std::string::npos);
    EXPECT_EQ(run.output.find("could NOT be put back"), std::string::npos);
    std::smatch count;
    const std::regex summary(R"((\d+) checks passed, (\d+) failed, (\d+) not checked)");
    ASSERT_TRUE(std::regex_search(run.output, count, summary));
    EXPECT_EQ(*run.status == 0, count[2] == "0" && count[3] == "0") << "exit status " << *run.status;
    EXPECT_EQ(names_in(line_after(run.output, "Failed: ")), u.failing);
    EXPECT_LE(std::stoi(count[3]), u.mostNotChecked);
}

const std::string kUsageNoticeChecks = "CommandLinesWithoutArguments/UsageNotice.*";
const std::string kUsageNoticeCheck =
    "CommandLinesWithoutArguments/UsageNotice.ShowsBothLinesUnderTitleWithOnlyOkAndLeavesClipboardAlone/";
const std::vector<std::string> kEachUsageNoticeCheck{kUsageNoticeCheck + "ProgramNameOnly",
                                                     kUsageNoticeCheck + "QuotedPathWithSpaces",
                                                     kUsageNoticeCheck + "TrailingBlanks"};
const std::string kListenerCheck = "ClipboardListener.EachRunPlacesItsWholeTextOrLeavesTheClipboardAsItWas";
const std::string kBusyCheck = "BusyClipboard.RunEndsPromptlyWithoutDialogAndLeavesTextInPlace";
const std::string kBusyAnswers = "BusyAnswers.OnlyWhileAnotherProgramHeldTheClipboard";
const std::string kCopyCheck = "RawCommandLines/Copy.PlacesEveryArgumentFollowedByLineEndAndOneNul/";
const std::string kBlankChecks = kCopyCheck + "*Blanks*";
constexpr int kAllChecks = 22;  // the busy answers over all of them included

// The rows beside the clipboard manager run the same as their quiet ones.
std::vector<Unpacked> quiet_and_beside_manager(const Unpacked& quiet, const char* besideManager) {
    Unpacked beside = quiet;
    beside.name = besideManager;
    beside.beside = Beside::ClipboardManager;
    return {quiet, beside};
}

std::vector<Unpacked> layouts() {
    std::vector<Unpacked> rows{
        Unpacked{"BesideTheX64Build", AsTarnwick::X64Build, Beside::Nothing, "", {},
                 std::to_string(kAllChecks) + " checks passed, 0 failed, 0 not checked"},
        // A check that found the clipboard busy on every start is not checked,
        // never failed; with readers like these, one may be.
        Unpacked{"BesideTheX64BuildAndAClipboardManager", AsTarnwick::X64Build, Beside::ClipboardManager, "", {},
                 "", 1},
        Unpacked{"BesideTheX64BuildAndAReaderOnATimer", AsTarnwick::X64Build, Beside::ReaderOnATimer, "", {}, "",
                 kAllChecks},
        // The floor program copies, but shows no usage notice.
        Unpacked{"BesideTheFloorProgram", AsTarnwick::FloorProgram, Beside::Nothing, kUsageNoticeChecks,
                 kEachUsageNoticeCheck, "no usage notice appeared"},
        Unpacked{"ExeOptionOverridesItsFolder", AsTarnwick::FloorProgram, Beside::Nothing, kUsageNoticeChecks, {},
                 "3 checks passed, 0 failed", 0, true},
        Unpacked{"NoticeWithTwoButtons", AsTarnwick::NoticeWithTwoButtons, Beside::Nothing, kUsageNoticeChecks,
                 kEachUsageNoticeCheck, "more than one button"},
        // It fails on the check's own deadline, well within the suite's.
        Unpacked{"BesideAProgramThatNeverEnds", AsTarnwick::NeverReturns, Beside::Nothing, kCopyCheck + "TwoArguments",
                 {kCopyCheck + "TwoArguments"}, did_not_end()},
        Unpacked{"BesideAFileThatIsNoProgram", AsTarnwick::NoProgram, Beside::Nothing, "", {},
                 "(error 193, not a program it can run)"},
    };
    const std::vector<std::vector<Unpacked>> pairs{
        quiet_and_beside_manager({"NoticeAsWindowsDrawsIt", AsTarnwick::NoticeAsWindowsDrawsIt, Beside::Nothing,
                                  kUsageNoticeChecks, {}, "3 checks passed, 0 failed"},
                                 "NoticeAsWindowsDrawsItBesideAClipboardManager"),
        // Busy on a settled clipboard that nobody else held: the busy answers
        // fail, whether or not a check got a start that placed its text.
        quiet_and_beside_manager({"BusyOnAThirdOfItsRuns", AsTarnwick::BusyAThirdOfRuns, Beside::Nothing,
                                  kListenerCheck, {kBusyAnswers}, "while the self-test saw no other program", 1},
                                 "BusyOnAThirdOfItsRunsBesideAClipboardManager"),
        quiet_and_beside_manager({"WaitsHalfASecondForTheClipboard", AsTarnwick::WaitsHalfASecond, Beside::Nothing,
                                  kBusyCheck, {kBusyCheck}, "the run waited for the clipboard"},
                                 "WaitsHalfASecondForTheClipboardBesideAClipboardManager"),
        quiet_and_beside_manager({"KeepsTheClipboardOpenAfterPlacing", AsTarnwick::KeepsClipboardOpen,
                                  Beside::Nothing, kCopyCheck + "TwoArguments", {kCopyCheck + "TwoArguments"},
                                  "kept the clipboard open"},
                                 "KeepsTheClipboardOpenAfterPlacingBesideAClipboardManager"),
        quiet_and_beside_manager({"TrimsItsArguments", AsTarnwick::TrimsArguments, Beside::Nothing, kBlankChecks,
                                  {kCopyCheck + "BlanksAtEitherEndOfAnArgumentStay",
                                   kCopyCheck + "ArgumentsOfBlanksOnlyStay"}},
                                 "TrimsItsArgumentsBesideAClipboardManager"),
    };
    for (const auto& pair : pairs) rows.insert(rows.end(), pair.begin(), pair.end());
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Layouts, UnpackedSelfTest, ::testing::ValuesIn(layouts()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
