// tarnwick-selftest.exe: the end-to-end checks as one program that anyone can
// run on their own Windows desktop. It checks the tarnwick.exe in its own
// folder, or the one named with --exe (the suite names it in TARNWICK_EXE),
// keeps the clipboard's text and puts it back at the end, prints one line per
// check (passed, FAILED, or not checked when clipboard tools kept the
// clipboard busy) and a closing count, and exits 0 only when every check
// passed. The suite runs this same program, one check at a time.
#include <gtest/gtest.h>

#include <conio.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "settled_clipboard.h"
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

// What a check's failure or skip says, without GoogleTest's wrapping: a
// skipped check's "Skipped" line, and around an exception's text (Windows
// would not start the program, say) the words that make it look like a crash.
std::string plain_message(const ::testing::TestPartResult& result) {
    std::string message = result.message();
    const std::string skipped = "Skipped\n", exceptionBefore = "C++ exception with description \"",
                      exceptionAfter = "\" thrown in the test body.";
    if (result.skipped()) return message.starts_with(skipped) ? message.substr(skipped.size()) : message;
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
// indented below it what the check noted and why it failed or was not checked.
class CheckPrinter : public ::testing::EmptyTestEventListener {
public:
    enum class Verdict { Passed, Failed, NotChecked };

    int passed() const { return passed_; }
    const std::vector<std::wstring>& failed() const { return failed_; }
    const std::vector<std::wstring>& not_checked() const { return notChecked_; }

    // A check of the whole self-test, judged once every check has ended.
    void judged(const std::wstring& name, bool passed, const std::wstring& note) {
        report(passed ? Verdict::Passed : Verdict::Failed, name, L"", {note});
    }

private:
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.failed() || result.skipped()) messages_.push_back(from_utf8(plain_message(result)));
    }

    void OnTestEnd(const ::testing::TestInfo& check) override {
        const ::testing::TestResult& result = *check.result();
        std::vector<std::wstring> notes;  // what the check noted, then why it failed or was not checked
        for (int i = 0; i < result.test_property_count(); ++i)
            notes.push_back(from_utf8(result.GetTestProperty(i).value()));
        notes.insert(notes.end(), messages_.begin(), messages_.end());
        const Verdict verdict = result.Failed()    ? Verdict::Failed
                                : result.Skipped() ? Verdict::NotChecked
                                                   : Verdict::Passed;
        report(verdict, from_utf8(std::string(check.test_suite_name()) + "." + check.name()),
               L"  (" + std::to_wstring(result.elapsed_time()) + L" ms)", notes);
        messages_.clear();
    }

    void report(Verdict verdict, const std::wstring& name, const std::wstring& took,
                const std::vector<std::wstring>& notes) {
        say((verdict == Verdict::Failed       ? L"FAIL         "
             : verdict == Verdict::NotChecked ? L"not checked  "
                                              : L"pass         ") +
            name + took);
        for (const std::wstring& note : notes) say_indented(note);
        if (verdict == Verdict::Failed) {
            failed_.push_back(name);
        } else if (verdict == Verdict::NotChecked) {
            notChecked_.push_back(name);
        } else {
            ++passed_;
        }
    }

    std::vector<std::wstring> messages_;  // of the check that is running
    int passed_ = 0;
    std::vector<std::wstring> failed_, notChecked_;
};

// Over every check that started the program on a settled clipboard: a busy
// answer that no other program explains is the program's own fault.
void judge_busy_answers(CheckPrinter& checks) {
    const BusyAnswers& answers = busy_answers();
    if (answers.starts == 0) return;
    checks.judged(L"BusyAnswers.OnlyWhileAnotherProgramHeldTheClipboard", !answers.beyond_allowance(),
                  from_utf8(answers.summary()));
}

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
    for (const std::wstring& check : checks) names += (names.empty() ? L"" : L", ") + check;
    return names;
}

// The closing count, the checks behind it, and what to do about them.
void summarise(const CheckPrinter& checks) {
    say(std::to_wstring(checks.passed()) + L" checks passed, " + std::to_wstring(checks.failed().size()) +
        L" failed, " + std::to_wstring(checks.not_checked().size()) + L" not checked");
    if (!checks.failed().empty()) {
        say(L"Failed: " + names_of(checks.failed()));
        say(L"Please send everything printed here, your Windows version (Win+R, winver) and which build you ran.");
    }
    if (!checks.not_checked().empty()) {
        say(L"Not checked: " + names_of(checks.not_checked()));
        say(L"Another program kept the clipboard busy during those checks. Close clipboard managers and Remote "
            L"Desktop sessions, then run this again.");
    }
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
    if (const auto refused = cannot_start(exe)) {
        say(*refused);
        say(L"Nothing was checked.");
        return finish(2);
    }
    say(L"Checking " + exe + L" on this desktop. The checks start it many times, show and dismiss its notice,");
    say(L"and use the clipboard; please leave the clipboard alone until they end (about a minute).");
    say(L"If clipboard history (Win+V) is on, it receives the texts the checks place, over a hundred, which push");
    say(L"out your own entries that are not pinned; where history is synced, your other devices receive them too.");
    say(L"To remove them afterwards, press Win+V and choose Clear all.");
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
    judge_busy_answers(*printer);

    say(L"");
    if (!saved.put_back()) say(L"The clipboard's text could NOT be put back: it holds what the last check left.");
    summarise(*printer);
    const bool allPassed = status == 0 && printer->failed().empty() && printer->not_checked().empty();
    return finish(allPassed ? 0 : 1);
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
