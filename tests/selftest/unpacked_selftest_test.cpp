// The self-test as a user runs it: unpacked into the folder of a tarnwick.exe,
// started with no arguments and no TARNWICK_EXE, on a quiet desktop or beside
// a clipboard manager. It must pass beside the real program, fail beside the
// floor program (which shows no usage notice) and beside each faulty build,
// tell a busy clipboard from a fault, and leave the clipboard's text as it
// found it.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "tarnwick_process.h"

namespace tarnwick::testing {
namespace {

constexpr DWORD kWholeSelfTestMs = 300'000;
constexpr DWORD kClipboardManagerHoldsMs = 150;
const std::wstring kUsersText = L"the user's own text \U0001F600 before the self-test";

// Where the build put what is unpacked (TARNWICK_EXE names the x64 build).
const std::wstring kSelfTest = windows_path(L"" TARNWICK_SELFTEST_EXE);
const std::wstring kUnpackFolder = windows_path(L"" TARNWICK_UNPACK_DIR);

// What is unpacked as tarnwick.exe.
enum class AsTarnwick { X64Build, FloorProgram, NeverOpens, OpensWithinASecond, NeverReturns, NoProgram };

std::wstring path_of(AsTarnwick program) {
    switch (program) {
        case AsTarnwick::X64Build: return path_from_environment(L"TARNWICK_EXE");
        case AsTarnwick::FloorProgram: return windows_path(L"" TARNWICK_FLOOR_EXE);
        case AsTarnwick::NeverOpens: return windows_path(L"" TARNWICK_NEVER_OPENS_EXE);
        case AsTarnwick::OpensWithinASecond: return windows_path(L"" TARNWICK_OPENS_WITHIN_A_SECOND_EXE);
        case AsTarnwick::NeverReturns: return windows_path(L"" TARNWICK_NEVER_RETURNS_EXE);
        case AsTarnwick::NoProgram: break;
    }
    return kSelfTest + L".notaprogram";
}

struct Unpacked {
    const char* name;
    AsTarnwick program;
    std::wstring arguments;  // %TARNWICK_EXE% stands for the x64 build's path
    bool besideClipboardManager;
    bool checks;  // false: it must refuse to check, with exit status 2
    std::vector<std::string> failing;  // checks the list of failed ones must name; none: nothing may fail
    int mostNotChecked = 0;
    std::string notChecked;  // what the list of checks not checked must hold
    std::string says;        // what else the output must hold
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

// A clipboard manager in a process of its own, listening until it goes.
class ClipboardManager {
public:
    ClipboardManager() {
        const wchar_t* readyName = L"TarnwickTestClipboardManagerReady";
        const unique_handle ready(CreateEventW(nullptr, TRUE, FALSE, readyName));
        process_ = start_process(windows_path(L"" CLIPBOARD_MANAGER_EXE),
                                 L"clipboard_manager.exe " + std::to_wstring(kClipboardManagerHoldsMs) + L" " +
                                     readyName);
        listening_ = WaitForSingleObject(ready.get(), 30'000) == WAIT_OBJECT_0;
    }
    bool listening() const { return listening_; }

private:
    StartedProcess process_;  // ended when the manager goes
    bool listening_ = false;
};

// The line that follows `label` in the output ("Failed: ", "Not checked: ").
std::string line_after(const std::string& output, const std::string& label) {
    const size_t at = output.find("\n" + label);
    if (at == std::string::npos) return {};
    const size_t start = at + 1 + label.size();
    return output.substr(start, output.find_first_of("\r\n", start) - start);
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
    std::wstring arguments = u.arguments;
    if (const size_t at = arguments.find(L"%TARNWICK_EXE%"); at != std::wstring::npos)
        arguments.replace(at, 14, L"\"" + x64Build + L"\"");
    std::optional<ClipboardManager> manager;
    if (u.besideClipboardManager) {
        ASSERT_TRUE(manager.emplace().listening()) << "the clipboard manager did not start";
    }
    ASSERT_TRUE(write_clipboard_text(kUsersText));

    SetEnvironmentVariableW(L"TARNWICK_EXE", nullptr);  // as on a user's machine
    const Finished run = run_collecting_output(folder + L"tarnwick-selftest.exe",
                                               L"tarnwick-selftest.exe " + arguments, kWholeSelfTestMs);
    SetEnvironmentVariableW(L"TARNWICK_EXE", x64Build.c_str());

    SCOPED_TRACE("its output:\n" + run.output);
    ASSERT_TRUE(run.status.has_value()) << "the self-test did not end";
    EXPECT_EQ(run.output.find("C++ exception"), std::string::npos);
    EXPECT_NE(run.output.find(u.says), std::string::npos) << u.says;
    EXPECT_EQ(read_clipboard_block(), with_nul(kUsersText)) << "the user's text is gone";
    if (!u.checks) {
        EXPECT_EQ(*run.status, 2u);
        return;
    }

    EXPECT_NE(run.output.find("The clipboard's text (" + std::to_string(kUsersText.size() + 1) +
                              " characters) is saved now"),
              std::string::npos);
    EXPECT_NE(run.output.find("Clear all"), std::string::npos) << "no word on clipboard history";
    EXPECT_EQ(run.output.find("could NOT be put back"), std::string::npos);
    std::smatch count;
    const std::regex summary(R"((\d+) checks passed, (\d+) failed, (\d+) not checked)");
    ASSERT_TRUE(std::regex_search(run.output, count, summary));
    EXPECT_EQ(*run.status == 0, count[2] == "0" && count[3] == "0") << "exit status " << *run.status;
    const std::string failed = line_after(run.output, "Failed: ");
    if (u.failing.empty()) {
        EXPECT_EQ(count[2], "0") << failed;
    }
    for (const std::string& check : u.failing) EXPECT_NE(failed.find(check), std::string::npos) << failed;
    EXPECT_LE(std::stoi(count[3]), u.mostNotChecked);
    EXPECT_NE(line_after(run.output, "Not checked: ").find(u.notChecked), std::string::npos);
}

const char kUsageNoticeCheck[] =
    "CommandLinesWithoutArguments/UsageNotice.ShowsBothLinesUnderTitleWithOnlyOkAndLeavesClipboardAlone/";
const std::vector<std::string> kUsageNoticeChecks{std::string(kUsageNoticeCheck) + "ProgramNameOnly",
                                                  std::string(kUsageNoticeCheck) + "QuotedPathWithSpaces",
                                                  std::string(kUsageNoticeCheck) + "TrailingBlanks"};
const char kListenerCheck[] = "ClipboardListener.EachRunPlacesItsWholeTextOrLeavesTheClipboardAsItWas";
const char kBusyCheck[] = "BusyClipboard.RunEndsPromptlyWithoutDialogAndLeavesTextInPlace";
const char kCopyCheck[] = "RawCommandLines/Copy.PlacesEveryArgumentFollowedByLineEndAndOneNul/TwoArguments";
constexpr int kAllChecks = 19;

INSTANTIATE_TEST_SUITE_P(
    Layouts, UnpackedSelfTest,
    ::testing::Values(
        Unpacked{"BesideTheX64Build", AsTarnwick::X64Build, L"", false, true, {}, 0, "", "19 checks passed"},
        // Checks that wait for the clipboard to settle pass beside a program
        // that holds it after every change; at most one may still miss it.
        Unpacked{"BesideTheX64BuildAndAClipboardManager", AsTarnwick::X64Build, L"", true, true, {}, 1, "", ""},
        // The floor program copies, but shows no usage notice.
        Unpacked{"BesideTheFloorProgram", AsTarnwick::FloorProgram, L"", false, true, kUsageNoticeChecks, 0, "", ""},
        Unpacked{"BesideTheFloorProgramAndAClipboardManager", AsTarnwick::FloorProgram, L"", true, true,
                 kUsageNoticeChecks, kAllChecks, "", ""},
        Unpacked{"ExeOptionOverridesItsFolder", AsTarnwick::FloorProgram,
                 L"--exe %TARNWICK_EXE% --gtest_filter=CommandLinesWithoutArguments/*", false, true, {}, 0, "", ""},
        // A program that says "busy" without ever opening the clipboard leaves
        // the copy checks unable to judge it, and fails where the clipboard
        // had settled.
        Unpacked{"BesideAProgramThatAlwaysSaysBusy", AsTarnwick::NeverOpens, L"", true, true, {kListenerCheck},
                 kAllChecks, "RawCommandLines/Copy.", ""},
        Unpacked{"BesideAProgramThatWaitsASecondForTheClipboard", AsTarnwick::OpensWithinASecond, L"", true, true,
                 {kBusyCheck}, 1, "", ""},
        // It fails on the check's own deadline, well within the suite's.
        Unpacked{"BesideAProgramThatNeverEnds", AsTarnwick::NeverReturns,
                 L"--gtest_filter=" + std::wstring(kCopyCheck, kCopyCheck + strlen(kCopyCheck)), false, true,
                 {kCopyCheck}, 0, "", did_not_end()},
        Unpacked{"BesideAFileThatIsNoProgram", AsTarnwick::NoProgram, L"", false, false, {}, 0, "",
                 "(error 193, not a program it can run)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
