// The self-test as a user runs it: unpacked into the folder of a tarnwick.exe,
// started with no arguments and no TARNWICK_EXE. It must pass beside the real
// program, fail beside the floor program (which shows no usage notice), and in
// both cases leave the clipboard's text as it found it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "clipboard_access.h"
#include "tarnwick_process.h"

namespace tarnwick::testing {
namespace {

constexpr DWORD kWholeSelfTestMs = 300'000;
const std::wstring kUsersText = L"the user's own text \U0001F600 before the self-test";

// Where the build put what is unpacked (TARNWICK_EXE names the x64 build).
const std::wstring kSelfTest = windows_path(L"" TARNWICK_SELFTEST_EXE);
const std::wstring kFloor = windows_path(L"" TARNWICK_FLOOR_EXE);
const std::wstring kUnpackFolder = windows_path(L"" TARNWICK_UNPACK_DIR);

enum class AsTarnwick { X64Build, FloorProgram };

struct Unpacked {
    const char* name;
    AsTarnwick program;  // what is unpacked as tarnwick.exe
    std::wstring arguments;          // %TARNWICK_EXE% stands for the x64 build's path
    bool passes;
    std::vector<std::string> failing;  // checks the closing line must name
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

std::string closing_line(const std::string& output) {
    std::string line = output.substr(0, output.find_last_not_of("\r\n") + 1);
    return line.substr(line.find_last_of('\n') + 1);
}

const char kUsageNoticeCheck[] =
    "CommandLinesWithoutArguments/UsageNotice.ShowsBothLinesUnderTitleWithOnlyOkAndLeavesClipboardAlone/";

class UnpackedSelfTest : public ::testing::TestWithParam<Unpacked> {};

TEST_P(UnpackedSelfTest, ReportsEveryCheckAndPutsTheClipboardTextBack) {
    const Unpacked& u = GetParam();
    const std::wstring x64Build = path_from_environment(L"TARNWICK_EXE");
    const std::wstring folder = unpack(u.name, u.program == AsTarnwick::X64Build ? x64Build : kFloor);
    ASSERT_FALSE(folder.empty()) << "could not lay out the folder: error " << GetLastError();
    std::wstring arguments = u.arguments;
    if (const size_t at = arguments.find(L"%TARNWICK_EXE%"); at != std::wstring::npos)
        arguments.replace(at, 14, L"\"" + x64Build + L"\"");
    ASSERT_TRUE(write_clipboard_text(kUsersText));

    SetEnvironmentVariableW(L"TARNWICK_EXE", nullptr);  // as on a user's machine
    const Finished run = run_collecting_output(folder + L"tarnwick-selftest.exe",
                                               L"tarnwick-selftest.exe " + arguments, kWholeSelfTestMs);
    SetEnvironmentVariableW(L"TARNWICK_EXE", x64Build.c_str());

    SCOPED_TRACE("its output:\n" + run.output);
    ASSERT_TRUE(run.status.has_value()) << "the self-test did not end";
    EXPECT_EQ(*run.status == 0, u.passes) << "exit status " << *run.status;
    EXPECT_NE(run.output.find("The clipboard's text (" + std::to_string(kUsersText.size() + 1) +
                              " characters) is saved now"),
              std::string::npos);
    const std::string closing = closing_line(run.output);
    EXPECT_EQ(closing.ends_with(" checks passed, 0 failed"), u.passes) << closing;
    for (const std::string& check : u.failing) EXPECT_NE(closing.find(check), std::string::npos) << closing;
    EXPECT_EQ(run.output.find("could NOT be put back"), std::string::npos);
    EXPECT_EQ(read_clipboard_block(), with_nul(kUsersText)) << "the user's text is gone";
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, UnpackedSelfTest,
    ::testing::Values(
        Unpacked{"BesideTheX64Build", AsTarnwick::X64Build, L"", true, {}},
        // The floor program copies, but shows no usage notice.
        Unpacked{"BesideTheFloorProgram", AsTarnwick::FloorProgram, L"", false,
                 {std::string(kUsageNoticeCheck) + "ProgramNameOnly",
                  std::string(kUsageNoticeCheck) + "QuotedPathWithSpaces",
                  std::string(kUsageNoticeCheck) + "TrailingBlanks"}},
        Unpacked{"ExeOptionOverridesItsFolder", AsTarnwick::FloorProgram,
                 L"--exe %TARNWICK_EXE% --gtest_filter=CommandLinesWithoutArguments/*", true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
