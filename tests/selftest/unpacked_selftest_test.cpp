// The self-test as a user runs it: unpacked into the folder of a tarnwick.exe,
// started with no TARNWICK_EXE, on a quiet desktop or beside clipboard tools
// that keep the desktop's clipboard busy. It must pass the real program and a
// notice whose one button has the ID IDCANCEL; fail the floor program (which shows no
// usage notice) and each faulty build, in the checks aimed at its fault and no
// others; and never touch the desktop's clipboard: afterwards it holds what it
// held before, byte for byte, and was never changed.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "clipboard_access.h"
#include "private_station.h"
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

// What is unpacked as tarnwick.exe: a program the build made (its path as the
// build names it), or one of these.
constexpr char kX64Build[] = "the x64 build";
constexpr char kNoProgram[] = "a file that is no program";

std::wstring path_of(const char* program) {
    if (std::string(program) == kX64Build) return path_from_environment(L"TARNWICK_EXE");
    if (std::string(program) == kNoProgram) return kSelfTest + L".notaprogram";
    return windows_path(from_utf8(program));
}

struct Unpacked {
    const char* name;
    const char* program;
    std::string filter;                // the checks to run (--gtest_filter); empty: all of them
    std::vector<std::string> failing;  // the checks that must fail, and no others
    std::string says = {};             // what else the output must hold, where the row is about it
    bool besideClipboardTools = false;
    bool namesX64BuildWithExe = false;  // started with --exe and the x64 build's path
    const wchar_t* runDeadlineS = nullptr;  // TARNWICK_RUN_DEADLINE_S, where the row sets one
    std::wstring options = {};              // more of its options: --seed, --lines
};

void PrintTo(const Unpacked& u, std::ostream* os) { *os << u.name; }

// Removes the files directly in `folder`.
void empty_folder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// A folder NAME\x64\ holding the self-test and, as tarnwick.exe, the given
// program, and nothing else: one folder of the two zips, unpacked together.
std::wstring unpack(const char* name, const std::wstring& program) {
    const std::wstring folder = kUnpackFolder + L"\\" + std::wstring(name, name + strlen(name));
    const std::wstring x64 = folder + L"\\x64\\";
    for (const std::wstring& level : {kUnpackFolder, folder, x64}) CreateDirectoryW(level.c_str(), nullptr);
    empty_folder(x64);
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
    if (u.program == kNoProgram) {
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
    if (!u.options.empty()) arguments += L" " + u.options;
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
    if (u.program == kNoProgram) {
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
const std::string kGeneratedCheck = "GeneratedCommandLines.EachPlacesExactlyWhatTheSystemSplitterReads";
const std::string kAllPassed = "32 checks passed, 0 failed";
// The first three generated lines: a mixed one (a switch, %NAME%, a wildcard,
// empty arguments), a Send To one and one of arguments past 259, 1,023, 4,095
// and 8,191 units; every seed makes them.
const std::wstring kThreeLines = L"--lines 3";

const Unpacked kLayouts[] = {
    // The right program passes every check, with three seeds.
    {.name = "BesideTheX64Build", .program = kX64Build, .filter = "", .failing = {}, .says = kAllPassed,
     .options = L"--seed 1"},
    {.name = "BesideTheX64BuildAndClipboardToolsThatKeepTheDesktopsClipboardBusy", .program = kX64Build,
     .filter = "", .failing = {}, .says = kAllPassed, .besideClipboardTools = true, .options = L"--seed 2"},
    {.name = "GeneratedLinesOfAThirdSeed", .program = kX64Build, .filter = kGeneratedCheck, .failing = {},
     .says = "1 checks passed, 0 failed", .options = L"--seed 3"},
    // The floor program copies, but shows no usage notice.
    {"BesideTheFloorProgram", TARNWICK_FLOOR_EXE, kUsageNoticeChecks, kEachUsageNoticeCheck,
     "no usage notice appeared"},
    {"ExeOptionOverridesItsFolder", TARNWICK_FLOOR_EXE, kUsageNoticeChecks, {}, "3 checks passed, 0 failed", false,
     true},
    {"NoticeWithTwoButtons", TARNWICK_NOTICE_WITH_TWO_BUTTONS_EXE, kUsageNoticeChecks, kEachUsageNoticeCheck,
     "more than one button"},
    {"NoticeWhoseButtonHasTheCancelId", TARNWICK_NOTICE_WITH_CANCEL_ID_EXE, kUsageNoticeChecks, {},
     "3 checks passed, 0 failed"},
    // It fails on the check's own deadline, well within the suite's.
    {"BesideAProgramThatNeverEnds", TARNWICK_NEVER_RETURNS_EXE, kTwoArguments, {kTwoArguments},
     "tarnwick.exe did not end within 10 s, so the check ended it", false, false, L"10"},
    {"BesideAFileThatIsNoProgram", kNoProgram, "", {}, "(error 193, not a program it can run)"},
    // The listener reads the emptied clipboard between its two holds, or is
    // reading it when the second open fails; either way it fails.
    {"EmptiesInAHoldOfItsOwn", TARNWICK_EMPTIES_IN_A_HOLD_OF_ITS_OWN_EXE, kListenerCheck + ":" + kTwoArguments,
     {kListenerCheck}},
    // Over 24 copies it says "busy" on some, however the starts fall.
    {"BusyOnAThirdOfItsRuns", TARNWICK_BUSY_A_THIRD_OF_RUNS_EXE, kListenerCheck, {kListenerCheck},
     "said the clipboard was busy, but nothing else could reach it"},
    {"WaitsHalfASecondForTheClipboard", TARNWICK_WAITS_HALF_A_SECOND_EXE, kBusyCheck, {kBusyCheck},
     "it lingered, or waited"},
    {"KeepsTheClipboardOpenAfterPlacing", TARNWICK_KEEPS_CLIPBOARD_OPEN_EXE, kTwoArguments, {kTwoArguments},
     "kept the clipboard open"},
    {"TrimsItsArguments", TARNWICK_TRIMS_ARGUMENTS_EXE, kCopyCheck + "*Blanks*",
     {kCopyCheck + "BlanksAtEitherEndOfAnArgumentStay", kCopyCheck + "ArgumentsOfBlanksOnlyStay"}},
    // Its text is right; what was there before stays beside it.
    {"LeavesEarlierContentBesideItsText", TARNWICK_LEAVES_EARLIER_CONTENT_EXE, kReplacingCheck + ":" + kTwoArguments,
     {kReplacingCheck}, "besides its text the clipboard offers \"Tarnwick self-test: another program's own format\""},
    // It copies and shows its notice as the real program does.
    {"BuiltAsAConsoleProgram", TARNWICK_CONSOLE_PROGRAM_EXE,
     kWindowedCheck + ":" + kTwoArguments + ":" + kUsageNoticeCheck + "ProgramNameOnly", {kWindowedCheck},
     "it is built as a console program"},
    // Arguments treated in a way of its own: the generated lines catch each,
    // whatever the seed; no hand-picked case holds such an argument.
    {.name = "ShowsItsNoticeForAHelpSwitch", .program = TARNWICK_HELP_ON_SWITCH_EXE, .filter = kGeneratedCheck,
     .failing = {kGeneratedCheck}, .says = "a window appeared on the desktop", .options = kThreeLines},
    {.name = "DropsEmptyArguments", .program = TARNWICK_DROPS_EMPTY_ARGUMENTS_EXE, .filter = kGeneratedCheck,
     .failing = {kGeneratedCheck}, .says = "the placed text differs from argument", .options = kThreeLines},
    {.name = "ExpandsVariables", .program = TARNWICK_EXPANDS_VARIABLES_EXE, .filter = kGeneratedCheck,
     .failing = {kGeneratedCheck}, .says = "the placed text differs from argument", .options = kThreeLines},
    {.name = "ExpandsWildcards", .program = TARNWICK_EXPANDS_WILDCARDS_EXE, .filter = kGeneratedCheck,
     .failing = {kGeneratedCheck}, .says = "the placed text differs from argument", .options = kThreeLines},
    {.name = "CutsArgumentsAtMaxPath", .program = TARNWICK_CUTS_AT_MAX_PATH_EXE, .filter = kGeneratedCheck,
     .failing = {kGeneratedCheck}, .says = "(buffer sizes,", .options = kThreeLines},
    // Something besides the copy: every run's watch catches each.
    {"ShowsAWindowAfterCopying", TARNWICK_SHOWS_A_WINDOW_EXE, kTwoArguments, {kTwoArguments},
     "a window appeared on the desktop"},
    {"RunsAConsoleCommandAfterCopying", TARNWICK_RUNS_A_CONSOLE_COMMAND_EXE, kTwoArguments, {kTwoArguments},
     "1 other process(es) ran beside it"},
    {"WritesALogFileWhereItStarted", TARNWICK_WRITES_A_LOG_FILE_EXE, kTwoArguments, {kTwoArguments},
     "the folder it was started in changed: added tarnwick.log"},
    {"WritesAFileBesideItself", TARNWICK_WRITES_BESIDE_ITSELF_EXE, kTwoArguments, {kTwoArguments},
     "its own folder changed: added tarnwick.ini"},
    {"LingersAfterCopying", TARNWICK_LINGERS_EXE, kTwoArguments, {kTwoArguments}, "it lingered, or waited"},
    // Timed from its first change, its hold looks short; the whole run does not.
    {"WaitsInsideItsHoldBeforeTheFirstChange", TARNWICK_WAITS_INSIDE_ITS_HOLD_EXE, kTwoArguments, {kTwoArguments},
     "it lingered, or waited"},
    // ASCII reads the same in UTF-8; the letters beyond it do not.
    {"PlacesUtf8AsItsAnsiText", TARNWICK_PLACES_UTF8_AS_ANSI_TEXT_EXE, kReplacingCheck + ":" + kTwoArguments,
     {kReplacingCheck}, "CF_TEXT is not the text in code page"},
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

// The processes whose parent is `parent` and whose file is `file`.
std::vector<DWORD> children_of(DWORD parent, const std::wstring& file) {
    std::vector<DWORD> found;
    const unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (entry.th32ParentProcessID == parent && _wcsicmp(entry.szExeFile, file.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
    return found;
}

// Collects the names EnumWindowStationsW and EnumDesktopsW give.
BOOL CALLBACK note_name(LPWSTR name, LPARAM names) {
    reinterpret_cast<std::vector<std::wstring>*>(names)->push_back(name);
    return TRUE;
}

// Every desktop of every window station this process may list, as
// "station\desktop".
std::vector<std::wstring> all_desktops() {
    std::vector<std::wstring> stations, desktops;
    EnumWindowStationsW(&note_name, reinterpret_cast<LPARAM>(&stations));
    for (const std::wstring& station : stations) {
        const HWINSTA opened = OpenWindowStationW(station.c_str(), FALSE, WINSTA_ENUMDESKTOPS);
        if (opened == nullptr) continue;
        std::vector<std::wstring> names;
        EnumDesktopsW(opened, &note_name, reinterpret_cast<LPARAM>(&names));
        CloseWindowStation(opened);
        for (const std::wstring& name : names) desktops.push_back(station + L"\\" + name);
    }
    return desktops;
}

// Input and output of a started console program: nothing in, nothing kept.
struct Silenced {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    unique_handle nothing{CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inheritable, OPEN_EXISTING, 0, nullptr)};
    STARTUPINFOW startup() const {
        STARTUPINFOW startup{};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = nothing.get();
        return startup;
    }
};

// Ended by force half-way (the task ended, its console closed, a crash), the
// self-test leaves nothing behind: the program it was waiting for, which never
// ends, is ended with it, and the desktop it made is gone.
TEST(SelfTestEndedByForce, LeavesNoProgramRunningAndNoDesktopBehind) {
    const std::wstring folder = unpack("EndedByForce", windows_path(L"" TARNWICK_NEVER_RETURNS_EXE));
    ASSERT_FALSE(folder.empty()) << "could not lay out the folder: error " << GetLastError();
    const Silenced silenced;
    STARTUPINFOW startup = silenced.startup();
    StartedProcess selfTest = start_with(folder + L"tarnwick-selftest.exe",
                                         L"tarnwick-selftest.exe --gtest_filter=" + from_utf8(kTwoArguments), 0, startup,
                                         TRUE);
    const std::wstring itsDesktop = L"\\TarnwickSelfTest-" + std::to_wstring(selfTest.id);
    const auto itsDesktopIsThere = [&] {
        const std::vector<std::wstring> desktops = all_desktops();
        return std::any_of(desktops.begin(), desktops.end(),
                           [&](const std::wstring& desktop) { return desktop.ends_with(itsDesktop); });
    };
    // Before its desktop is made, the self-test starts tarnwick.exe once,
    // suspended, to see that Windows will, and ends it: the program wanted is
    // the one started once the desktop is there.
    std::vector<DWORD> programs;
    for (int waited = 0; programs.empty() && waited < 60'000; waited += 50) {
        ASSERT_EQ(WaitForSingleObject(selfTest.process.get(), 50), static_cast<DWORD>(WAIT_TIMEOUT))
            << "the self-test ended, with status " << wait_for_exit(selfTest, 0).value_or(0)
            << ", before it started tarnwick.exe";
        if (itsDesktopIsThere()) programs = children_of(selfTest.id, L"tarnwick.exe");
    }
    ASSERT_EQ(programs.size(), 1u) << "the self-test did not start tarnwick.exe on its desktop within a minute";
    const unique_handle program(OpenProcess(SYNCHRONIZE, FALSE, programs.front()));
    ASSERT_TRUE(program) << "could not open tarnwick.exe: error " << GetLastError();

    TerminateProcess(selfTest.process.get(), 1);
    ASSERT_EQ(WaitForSingleObject(selfTest.process.get(), 10'000), static_cast<DWORD>(WAIT_OBJECT_0));

    EXPECT_EQ(WaitForSingleObject(program.get(), 10'000), static_cast<DWORD>(WAIT_OBJECT_0))
        << "tarnwick.exe, which never ends, still runs after the self-test was ended";
    bool desktopGone = false;
    for (int waited = 0; !desktopGone && waited < 10'000; waited += 100) {
        desktopGone = !itsDesktopIsThere();
        if (!desktopGone) Sleep(100);
    }
    EXPECT_TRUE(desktopGone) << "the self-test's desktop is still there after it was ended";
}

// The report a program started with `desktop` in its STARTUPINFOW gives of
// where it landed: the self-test started to report its station.
ReferenceStart report_of_a_start(wchar_t* desktop) {
    wchar_t folder[MAX_PATH + 1]{};
    GetTempPathW(MAX_PATH + 1, folder);
    const std::wstring path = std::wstring(folder) + L"tarnwick-station-report.txt";
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    std::wstring report;
    {
        const unique_handle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                             &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = file.get();
        startup.lpDesktop = desktop;
        PROCESS_INFORMATION started{};
        std::wstring commandLine = L"tarnwick-selftest.exe " + std::wstring(kReportStation);
        if (!CreateProcessW(kSelfTest.c_str(), commandLine.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                            nullptr, &startup, &started))
            return {L"(not started: error " + std::to_wstring(GetLastError()) + L")", L"", 0};
        WaitForSingleObject(started.hProcess, 60'000);
        CloseHandle(started.hProcess);
        CloseHandle(started.hThread);
        char bytes[512]{};
        DWORD got = 0;
        SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
        ReadFile(file.get(), bytes, sizeof bytes - 1, &got, nullptr);
        report = from_utf8(std::string(bytes, got));
    }
    DeleteFileW(path.c_str());
    return read_station_report(report);
}

// Under Wine a program started without lpDesktop lands where the thread that
// started it is, on the self-test's own desktop, where Windows would not put
// it: where it landed cannot tell a start path that forgets lpDesktop. The
// desktop it was asked for can, so the self-test's proof reads that too.
TEST(StationReport, RefusesAStartThatForgotTheDesktop) {
    ReferenceStart withIt, withoutIt;
    std::wstring expected;
    std::thread([&] {  // a thread with no window yet, which may move
        const unique_turn turn = take_turn_at_the_station([] {});
        PrivateStation station;
        if (!station.entered()) return;
        expected = private_desktop_name();
        std::wstring desktop = expected;
        withIt = report_of_a_start(desktop.data());
        withoutIt = report_of_a_start(nullptr);
        station.leave();
    }).join();
    ASSERT_FALSE(expected.empty()) << "the station could not be entered";
    EXPECT_EQ(not_on_the_private_desktop(withIt, expected), std::nullopt) << to_utf8(withIt.landedOn);
    EXPECT_NE(not_on_the_private_desktop(withoutIt, expected), std::nullopt) << to_utf8(withoutIt.landedOn);
    RecordProperty("note", "without lpDesktop it landed on " + to_utf8(withoutIt.landedOn) + ", asked for \"" +
                               to_utf8(withoutIt.askedFor) + "\"");
}

}  // namespace
}  // namespace tarnwick::testing
