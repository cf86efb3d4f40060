// Every cmd example in the README, run as written by cmd itself, once on a
// free clipboard and once while another program holds it: what it prints,
// the exit status it reports, and what it leaves on the clipboard.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "clipboard_holder.h"
#include "watched_run.h"
#include "process_output.h"
#include "tarnwick_process.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

const std::wstring kReadme = windows_path(L"" TARNWICK_README);
const std::wstring kFolder = windows_path(L"" TARNWICK_EXAMPLES_DIR);
const std::wstring kCopied = with_nul(L"alpha\r\nbeta gamma\r\n");
const std::wstring kHeld = L"held by another program";

std::string read_file(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The README's examples for cmd: its ```bat blocks, in order.
std::vector<std::string> cmd_examples() {
    const std::string text = read_file(kReadme), opening = "```bat\n", closing = "```";
    std::vector<std::string> blocks;
    for (size_t at = text.find(opening); at != std::string::npos; at = text.find(opening, at)) {
        at += opening.size();
        const size_t end = text.find(closing, at);
        blocks.push_back(text.substr(at, end - at));
        at = end;
    }
    return blocks;
}

struct Example {
    const char* name;
    std::string commands;     // as the README shows them
    std::string printsFree;   // the last line it prints on a free clipboard; empty: nothing but echoed commands
    std::string printsBusy;   // and while the clipboard is held
};

void PrintTo(const Example& e, std::ostream* os) { *os << e.name; }

const std::vector<Example> kExamples{
    {"AtThePrompt", "tarnwick.exe alpha \"beta gamma\"\n", "", ""},
    {"AtThePromptWithStartWait", "start \"\" /wait tarnwick.exe alpha \"beta gamma\"\necho %ERRORLEVEL%\n", "0",
     "1"},
    {"InABatchFile",
     "@echo off\ntarnwick.exe alpha \"beta gamma\"\nif errorlevel 1 echo Nothing was copied: status %ERRORLEVEL%.\n",
     "", "Nothing was copied: status 1."},
};

TEST(ReadmeExamples, EveryCmdExampleIsRunHere) {
    std::vector<std::string> tested;
    for (const Example& example : kExamples) tested.push_back(example.commands);
    EXPECT_EQ(cmd_examples(), tested);
}

std::string last_line(const std::string& output) {
    const std::string text = output.substr(0, output.find_last_not_of("\r\n") + 1);
    return text.substr(text.find_last_of('\n') + 1);
}

// Writes the example as a .cmd file beside a copy of tarnwick.exe and runs it
// there with cmd /c, as a user's script would be.
Finished run_example(const Example& example) {
    CreateDirectoryW(kFolder.c_str(), nullptr);
    CopyFileW(tarnwick_path().c_str(), (kFolder + L"\\tarnwick.exe").c_str(), FALSE);
    std::string script;
    for (const char unit : example.commands) script += unit == '\n' ? std::string("\r\n") : std::string(1, unit);
    const std::wstring file = kFolder + L"\\" + from_utf8(example.name) + L".cmd";
    std::ofstream(std::filesystem::path(file), std::ios::binary) << script;
    wchar_t system[MAX_PATH];
    const std::wstring cmd = std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)) + L"\\cmd.exe";
    return run_collecting_output(cmd, L"cmd.exe /c " + from_utf8(example.name) + L".cmd", longest_run_ms(), kFolder);
}

class CmdExample : public ::testing::TestWithParam<Example> {};

TEST_P(CmdExample, CopiesAndReportsStatusZeroOnAFreeClipboard) {
    ASSERT_TRUE(write_clipboard_text(L"before the example"));

    const Finished run = run_example(GetParam());

    SCOPED_TRACE("its output:\n" + run.output);
    ASSERT_TRUE(run.status.has_value()) << "cmd did not end";
    EXPECT_EQ(run.status, 0u);
    if (!GetParam().printsFree.empty()) {
        EXPECT_EQ(last_line(run.output), GetParam().printsFree);
    }
    EXPECT_EQ(read_clipboard_block(), kCopied);
}

TEST_P(CmdExample, ReportsStatusOneAndLeavesTheClipboardWhileItIsHeld) {
    ASSERT_TRUE(write_clipboard_text(kHeld));
    ClipboardHolder holder;
    ASSERT_TRUE(holder.holding()) << "could not hold the clipboard";

    const Finished run = run_example(GetParam());
    holder.let_go();

    SCOPED_TRACE("its output:\n" + run.output);
    ASSERT_TRUE(run.status.has_value()) << "cmd did not end";
    EXPECT_EQ(run.status, kClipboardBusy);
    if (!GetParam().printsBusy.empty()) {
        EXPECT_EQ(last_line(run.output), GetParam().printsBusy);
    }
    EXPECT_EQ(read_clipboard_block(), with_nul(kHeld));
}

INSTANTIATE_TEST_SUITE_P(Readme, CmdExample, ::testing::ValuesIn(kExamples),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
