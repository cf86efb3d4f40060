// tarnwick-selftest.exe: the end-to-end checks as one program that anyone can
// run on their own Windows. It checks the tarnwick.exe in its own folder, or
// the one named with --exe (the suite names it in TARNWICK_EXE), in a window
// station and desktop of its own, so that the user's clipboard is never
// touched and no other program can sway a verdict. It prints a header (the
// Windows, the build, the station it started on and the one it made, the
// seed), one line per check and a closing count, and exits 0 only when every
// check passed. The suite runs this same program, one check at a time.
#include <gtest/gtest.h>

#include <conio.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "generation_settings.h"
#include "pe_image.h"
#include "private_station.h"
#include "tarnwick_process.h"
#include "utf8.h"
#include "windows_facts.h"

namespace tarnwick::testing {
namespace {

// How the self-test ends.
enum Status : int {
    kAllPassed = 0,
    kSomeFailed = 1,
    kNothingChecked = 2,   // wrong arguments, or no tarnwick.exe that Windows would start
    kNoStationOfItsOwn = 3,  // Windows would not let it make a window station and desktop, or start programs there
};

constexpr wchar_t kUsage[] =
    L"usage: tarnwick-selftest [--exe PATH] [--seed N] [--lines N] [--gtest_filter=PATTERN]\r\n"
    L"Checks PATH, or else the tarnwick.exe in this program's folder. --seed replays the generated command lines\r\n"
    L"of an earlier run (its header names the seed), --lines says how many to run (240), --gtest_filter picks\r\n"
    L"checks by name.";

// Writes one line: to a console as UTF-16, so that every character shows;
// elsewhere (a pipe, a file) as UTF-8.
void say(const std::wstring& line) {
    const std::wstring text = line + L"\r\n";
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string utf8 = to_utf8(text);
    WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

// What a check's failure says, without GoogleTest's wrapping: around an
// exception's text (Windows would not start the program, say) the words that
// make it look like a crash.
std::string plain_message(const ::testing::TestPartResult& result) {
    std::string message = result.message();
    const std::string exceptionBefore = "C++ exception with description \"",
                      exceptionAfter = "\" thrown in the test body.";
    if (message.starts_with(exceptionBefore) && message.ends_with(exceptionAfter))
        return message.substr(exceptionBefore.size(),
                              message.size() - exceptionBefore.size() - exceptionAfter.size());
    if (result.file_name() == nullptr) return message;
    return std::string(result.file_name()) + ":" + std::to_string(result.line_number()) + ": " + message;
}

void say_indented(const std::wstring& text) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(L'\n', start), text.size());
        say(L"             " + text.substr(start, end - start));
        start = end + 1;
    }
}

// A line per check as it ends (its verdict, its name, how long it took), and
// indented below it what the check noted and why it failed. A check that
// skipped itself judged nothing, so it counts as failed.
class CheckPrinter : public ::testing::EmptyTestEventListener {
public:
    int passed() const { return passed_; }
    const std::vector<std::wstring>& failed() const { return failed_; }

private:
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.failed() || result.skipped()) messages_.push_back(from_utf8(plain_message(result)));
    }

    void OnTestEnd(const ::testing::TestInfo& check) override {
        const ::testing::TestResult& result = *check.result();
        const bool passed = !result.Failed() && !result.Skipped();
        const std::wstring name = from_utf8(std::string(check.test_suite_name()) + "." + check.name());
        say((passed ? L"pass         " : L"FAIL         ") + name + L"  (" + std::to_wstring(result.elapsed_time()) +
            L" ms)");
        for (int i = 0; i < result.test_property_count(); ++i)
            say_indented(from_utf8(result.GetTestProperty(i).value()));
        for (const std::wstring& message : messages_) say_indented(message);
        messages_.clear();
        if (passed) {
            ++passed_;
        } else {
            failed_.push_back(name);
        }
    }

    std::vector<std::wstring> messages_;  // of the check that is running
    int passed_ = 0;
    std::vector<std::wstring> failed_;
};

// A whole number of at most `most`, or nothing.
std::optional<std::uint64_t> number_in(const std::wstring& text, std::uint64_t most) {
    if (text.empty() || text.size() > 19 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return std::nullopt;
    const std::uint64_t value = std::stoull(text);
    return value <= most ? std::optional(value) : std::nullopt;
}

// A seed that differs from run to run; the header prints it.
std::uint64_t fresh_seed() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return (static_cast<std::uint64_t>(now.QuadPart) ^ (std::uint64_t{GetCurrentProcessId()} << 20)) % 1'000'000'000;
}

// Takes the options: --exe PATH (else TARNWICK_EXE, or tarnwick.exe beside
// this program), --seed N, --lines N. False when they make no sense.
bool take_options(int argc, wchar_t** argv) {
    GenerationSettings& generation = generation_settings();
    generation.seed = fresh_seed();
    for (int i = 1; i < argc; i += 2) {
        const std::wstring option = argv[i];
        if (i + 1 >= argc) return false;
        const std::wstring value = argv[i + 1];
        if (option == L"--exe") {
            use_tarnwick_at(value);
        } else if (option == L"--seed" && number_in(value, UINT64_MAX / 10)) {
            generation.seed = *number_in(value, UINT64_MAX / 10);
        } else if (option == L"--lines" && number_in(value, 100'000)) {
            generation.lines = static_cast<int>(*number_in(value, 100'000));
        } else {
            return false;
        }
    }
    return true;
}

// "x64" for an executable that is one, or why it could not be told.
std::wstring build_of(const std::wstring& executable) {
    const std::optional<PeFacts> facts = pe_facts_of(executable);
    return facts ? from_utf8(name_of_machine(facts->machine)) : L"a file that is no program Windows can read";
}

std::wstring described(const Whereabouts& place) {
    return L"window station " + place.station + (place.visible ? L" (visible)" : L" (not visible)") + L", desktop " +
           place.desktop;
}

// What a report from this run must say first: which Windows, which builds,
// where the checks ran and which command lines they will generate.
void say_header(const std::wstring& exe, const PrivateStation& station) {
    const GenerationSettings& generation = generation_settings();
    say(L"tarnwick-selftest " TARNWICK_VERSION_W L" on Windows " + windows_version() + L" (" + how_this_build_runs() +
        L")");
    say(L"Checking " + exe + L" (" + build_of(exe) + L" build)");
    say(L"Started on " + described(station.left_behind()));
    say(L"Checking on " + described(station.made()) + L", where a program the self-test started reported itself");
    say(std::to_wstring(generation.lines) + L" generated command lines from seed " + std::to_wstring(generation.seed) +
        L" (--seed " + std::to_wstring(generation.seed) + L" replays them)");
    say(L"Your clipboard and clipboard history are left alone and nothing shows on the screen. You can keep working "
        L"meanwhile.");
    say(L"");
}

// Started by double-click, the program has a console of its own, which closes
// when it ends; started from a prompt, it shares the prompt's.
bool console_is_ours_alone() {
    DWORD mode = 0, processes[2];
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) && GetConsoleProcessList(processes, 2) == 1;
}

int finish(Status status) {
    if (console_is_ours_alone()) {
        say(L"Press any key to close this window.");
        _getwch();
    }
    return status;
}

std::wstring names_of(const std::vector<std::wstring>& checks) {
    std::wstring names;
    for (const std::wstring& check : checks) names += (names.empty() ? L"" : L", ") + check;
    return names;
}

// The closing count, the checks behind it, and what to do about them.
void summarise(const CheckPrinter& checks) {
    say(std::to_wstring(checks.passed()) + L" checks passed, " + std::to_wstring(checks.failed().size()) +
        L" failed");
    if (checks.failed().empty()) return;
    say(L"Failed: " + names_of(checks.failed()));
    say(L"Please send everything printed here, your Windows version (Win+R, winver) and which build you ran.");
}

int run_checks(int argc, wchar_t** argv) {
    if (!take_options(argc, argv)) {
        say(kUsage);
        return finish(kNothingChecked);
    }
    const std::wstring exe = tarnwick_path();
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        say(L"There is no " + exe + L". Put this program beside tarnwick.exe, or name it with --exe PATH.");
        return finish(kNothingChecked);
    }
    // Whether Windows starts it at all (antivirus, a policy, a long path) is
    // asked meanwhile.
    std::optional<std::wstring> refused;
    std::thread startable([&] { refused = cannot_start(exe); });
    CheckPrinter* printer = nullptr;
    int status = 0;
    std::wstring notChecked;  // why nothing was checked, with the status that says so
    Status notCheckedStatus = kNothingChecked;
    {
        const unique_turn turn = take_turn_at_the_station([] {
            say(L"Another tarnwick-selftest is running on this desktop; this one starts once it has ended.");
        });
        PrivateStation station;
        if (!station.entered()) {
            notChecked = L"Windows would not let the self-test make a clipboard of its own (a window station, error " +
                         std::to_wstring(station.error()) +
                         L"), so nothing was checked: a policy or a restricted account forbids it.";
            notCheckedStatus = kNoStationOfItsOwn;
        } else {
            try {
                prove_the_private_station();
            } catch (const NotOnThePrivateStation& elsewhere) {
                notChecked = L"Nothing was checked: " + from_utf8(elsewhere.what()) +
                             L". The checks would have judged another clipboard.";
                notCheckedStatus = kNoStationOfItsOwn;
            } catch (const std::runtime_error& notStarted) {
                notChecked = from_utf8(notStarted.what()) + L"\r\nNothing was checked.";
            }
        }
        startable.join();
        // That Windows will not start tarnwick.exe says the most.
        if (refused) {
            notChecked = *refused + L"\r\nNothing was checked.";
            notCheckedStatus = kNothingChecked;
        }
        if (notChecked.empty()) {
            say_header(exe, station);
            ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
            delete listeners.Release(listeners.default_result_printer());
            printer = new CheckPrinter;  // the listeners own it
            listeners.Append(printer);
            status = RUN_ALL_TESTS();
        }
        if (const DWORD error = station.leave(); error != ERROR_SUCCESS)
            say(L"Windows would not let the self-test go back to the station it started on (error " +
                std::to_wstring(error) + L"); it ends there anyway.");
    }  // the station left and the turn given back before anything waits for a key
    if (printer == nullptr) {
        say(notChecked);
        return finish(notCheckedStatus);
    }
    say(L"");
    summarise(*printer);
    return finish(status == 0 && printer->failed().empty() ? kAllPassed : kSomeFailed);
}

}  // namespace
}  // namespace tarnwick::testing

// The reference start (tarnwick_process.h): says where it landed and which
// desktop it was started with, nothing else.
int report_station() {
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    const std::wstring askedFor = startup.lpDesktop != nullptr ? startup.lpDesktop : L"";
    const std::string where = tarnwick::testing::to_utf8(tarnwick::testing::where_this_thread_is().full_name() + L"\n" +
                                                         askedFor + L"\n");
    DWORD written = 0;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), where.data(), static_cast<DWORD>(where.size()), &written, nullptr)
               ? 0
               : 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == tarnwick::testing::kReportStation) return report_station();
    ::testing::InitGoogleTest(&argc, argv);
    // CTest reads the list of checks from this output alone.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    return tarnwick::testing::run_checks(argc, argv);
}
