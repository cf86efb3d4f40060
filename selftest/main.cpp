// tarnwick-selftest.exe: the end-to-end checks as one program that anyone can
// run on their own Windows. It checks the tarnwick.exe in its own folder, or
// the one named with --exe (the suite names it in TARNWICK_EXE), in a window
// station and desktop of its own, so that the user's clipboard is never
// touched and no other program can sway a verdict. It prints one line per
// check and a closing count, and exits 0 only when every check passed. The
// suite runs this same program, one check at a time.
#include <gtest/gtest.h>

#include <conio.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "private_station.h"
#include "tarnwick_process.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

// How the self-test ends.
enum Status : int {
    kAllPassed = 0,
    kSomeFailed = 1,
    kNothingChecked = 2,   // wrong arguments, or no tarnwick.exe that Windows would start
    kNoStationOfItsOwn = 3,  // Windows would not let it make a window station and desktop
};

constexpr wchar_t kUsage[] =
    L"usage: tarnwick-selftest [--exe PATH] [--gtest_filter=PATTERN]\r\n"
    L"Checks PATH, or else the tarnwick.exe in this program's folder. --gtest_filter picks checks by name.";

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

// Names the executable to check from the arguments: --exe PATH, or nothing
// (then TARNWICK_EXE, or tarnwick.exe beside this program). False when the
// arguments make no sense.
bool choose_executable(int argc, wchar_t** argv) {
    if (argc == 1) return true;
    if (argc != 3 || std::wstring(argv[1]) != L"--exe") return false;
    use_tarnwick_at(argv[2]);
    return true;
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
    if (!choose_executable(argc, argv)) {
        say(kUsage);
        return finish(kNothingChecked);
    }
    const std::wstring exe = tarnwick_path();
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        say(L"There is no " + exe + L". Put this program beside tarnwick.exe, or name it with --exe PATH.");
        return finish(kNothingChecked);
    }
    if (const auto refused = cannot_start(exe)) {
        say(*refused);
        say(L"Nothing was checked.");
        return finish(kNothingChecked);
    }
    CheckPrinter* printer = nullptr;
    int status = 0;
    DWORD refused = ERROR_SUCCESS;
    {
        const unique_turn turn = take_turn_at_the_station([] {
            say(L"Another tarnwick-selftest is running on this desktop; this one starts once it has ended.");
        });
        const PrivateStation station;
        if (station.entered()) {
            say(L"Checking " + exe + L" in a clipboard and desktop of the self-test's own: your clipboard and");
            say(L"clipboard history are left alone and nothing shows on the screen. You can keep working meanwhile.");
            say(L"");
            ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
            delete listeners.Release(listeners.default_result_printer());
            printer = new CheckPrinter;  // the listeners own it
            listeners.Append(printer);
            status = RUN_ALL_TESTS();
        } else {
            refused = station.error();
        }
    }  // the station left and the turn given back before anything waits for a key
    if (printer == nullptr) {
        say(L"Windows would not let the self-test make a clipboard of its own (a window station, error " +
            std::to_wstring(refused) + L"), so nothing was checked: a policy or a restricted account forbids it.");
        return finish(kNoStationOfItsOwn);
    }
    say(L"");
    summarise(*printer);
    return finish(status == 0 && printer->failed().empty() ? kAllPassed : kSomeFailed);
}

}  // namespace
}  // namespace tarnwick::testing

int wmain(int argc, wchar_t** argv) {
    // The yardstick the busy check times a start by.
    if (argc == 2 && std::wstring(argv[1]) == tarnwick::testing::kEndAtOnce) return 0;
    ::testing::InitGoogleTest(&argc, argv);
    // CTest reads the list of checks from this output alone.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    return tarnwick::testing::run_checks(argc, argv);
}
