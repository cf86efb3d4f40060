// tarnwick-selftest.exe: the end-to-end checks as one program that anyone can
// run on their own Windows desktop. It checks the tarnwick.exe in its own
// folder, or the one named with --exe (the suite names it in TARNWICK_EXE),
// keeps the clipboard's text and puts it back at the end, prints one line per
// check and a closing count, and exits 0 only when every check passed. The
// suite runs this same program, one check at a time.
#include <gtest/gtest.h>

#include <conio.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "tarnwick_process.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

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

// A line per check as it ends ("pass" or "FAIL", its name, how long it took),
// each failure's message indented below a failed one.
class CheckPrinter : public ::testing::EmptyTestEventListener {
public:
    int passed() const { return passed_; }
    const std::vector<std::wstring>& failed() const { return failed_; }

private:
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (!result.failed()) return;
        std::string where = result.file_name() ? std::string(result.file_name()) + ":" +
                                                     std::to_string(result.line_number()) + ": "
                                               : std::string();
        failures_.push_back(from_utf8(where + result.message()));
    }

    void OnTestEnd(const ::testing::TestInfo& check) override {
        const std::wstring name = from_utf8(std::string(check.test_suite_name()) + "." + check.name());
        const bool failed = check.result()->Failed();
        say((failed ? L"FAIL  " : L"pass  ") + name + L"  (" + std::to_wstring(check.result()->elapsed_time()) +
            L" ms)");
        for (const std::wstring& failure : failures_) {
            size_t start = 0;
            while (start < failure.size()) {
                const size_t end = std::min(failure.find(L'\n', start), failure.size());
                say(L"        " + failure.substr(start, end - start));
                start = end + 1;
            }
        }
        failures_.clear();
        if (failed) {
            failed_.push_back(name);
        } else {
            ++passed_;
        }
    }

    std::vector<std::wstring> failures_;  // of the check that is running
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

int finish(int status) {
    if (console_is_ours_alone()) {
        say(L"Press any key to close this window.");
        _getwch();
    }
    return status;
}

std::wstring names_of(const std::vector<std::wstring>& checks) {
    std::wstring names;
    for (const std::wstring& check : checks) names += (names.empty() ? L": " : L", ") + check;
    return names;
}

// Saves the clipboard's text now; put_back() restores it, or empties the
// clipboard when it held no text.
class SavedClipboard {
public:
    SavedClipboard()
        : hadText_(IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE), text_(read_clipboard_block()) {}

    bool saved() const { return !hadText_ || text_.has_value(); }
    std::wstring description() const {
        if (!text_) return L"The clipboard holds no text now; the checks will leave it empty.";
        return L"The clipboard's text (" + std::to_wstring(text_->size()) +
               L" characters) is saved now and put back at the end. Anything else on it, such as a picture, is "
               L"not kept.";
    }
    bool put_back() const { return write_clipboard_block(text_) && read_clipboard_block() == text_; }

private:
    bool hadText_;
    std::optional<std::wstring> text_;
};

int run_checks(int argc, wchar_t** argv) {
    if (!choose_executable(argc, argv)) {
        say(kUsage);
        return finish(2);
    }
    const std::wstring exe = tarnwick_path();
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
        say(L"There is no " + exe + L". Put this program beside tarnwick.exe, or name it with --exe PATH.");
        return finish(2);
    }
    say(L"Checking " + exe + L" on this desktop. The checks start it many times, show and dismiss its notice,");
    say(L"and use the clipboard; please leave the clipboard alone until they end (about a minute).");
    const SavedClipboard saved;
    if (!saved.saved()) {
        say(L"The clipboard's text cannot be read, so it could not be saved: nothing was checked. Try again.");
        return finish(2);
    }
    say(saved.description());
    say(L"");

    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    auto* printer = new CheckPrinter;  // the listeners own it
    listeners.Append(printer);
    const int status = RUN_ALL_TESTS();

    say(L"");
    if (!saved.put_back()) say(L"The clipboard's text could NOT be put back: it holds what the last check left.");
    say(std::to_wstring(printer->passed()) + L" checks passed, " + std::to_wstring(printer->failed().size()) +
        L" failed" + names_of(printer->failed()));
    return finish(status == 0 && printer->failed().empty() ? 0 : 1);
}

}  // namespace
}  // namespace tarnwick::testing

int wmain(int argc, wchar_t** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // CTest reads the list of checks from this output alone.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    return tarnwick::testing::run_checks(argc, argv);
}
