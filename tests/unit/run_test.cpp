// The whole run against a platform whose calls fail one at a time: whatever
// fails, the clipboard is opened at most once and closed after it, emptied
// only while it is open, and keeps what it held unless the system refused the
// text after the emptying; the block is freed unless the system took it, the
// splitter's array and the program's own memory are released once, and the
// status says whether the text was placed.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "run/run.h"
#include "standard_strings.h"

namespace tarnwick::testing {
namespace {

const std::wstring kPlacedText(L"alpha\r\nbeta gamma\r\n\0", 20);

// What the clipboard holds after the run.
enum class Afterwards { Kept, Replaced, Emptied };

struct FaultCase {
    const char* name;
    std::optional<Call> failing;
    int occurrence;
    ExitStatus expectedStatus;
    Afterwards clipboard;
    bool opensClipboard;  // whether the run gets as far as trying to open it
    const wchar_t* commandLine = L"tarnwick.exe alpha \"beta gamma\"";
    bool showsNotice = false;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

std::optional<std::wstring> clipboard_after(Afterwards afterwards) {
    switch (afterwards) {
        case Afterwards::Kept: return kHeldBeforeRun;
        case Afterwards::Replaced: return kPlacedText;
        case Afterwards::Emptied: break;
    }
    return std::nullopt;
}

class RunWithFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(RunWithFault, ReleasesEverythingAndLosesNothingTheSystemDidNotRefuse) {
    const FaultCase& c = GetParam();
    FakeState& fake = reset_fake();
    fake.failing = c.failing;
    fake.failingOccurrence = c.occurrence;

    const ExitStatus status = run(c.commandLine, fake_platform());

    EXPECT_EQ(status, c.expectedStatus);
    EXPECT_EQ(fake.clipboard, clipboard_after(c.clipboard));
    EXPECT_EQ(fake.made[Call::OpenClipboard], c.opensClipboard ? 1 : 0) << "opened more than once, or needlessly";
    EXPECT_FALSE(fake.clipboardOpen) << "clipboard left open";
    EXPECT_EQ(fake.clipboardCloses, fake.clipboardOpens);
    EXPECT_FALSE(fake.closedWhileNotOpen);
    EXPECT_FALSE(fake.changedWhileNotOpen) << "emptied or written outside the hold";
    EXPECT_TRUE(fake.liveBlocks.empty()) << "block leaked";
    EXPECT_EQ(fake.badFrees, 0) << "block freed twice or after the system took it";
    EXPECT_TRUE(fake.liveSplitterArrays.empty()) << "splitter array leaked";
    EXPECT_EQ(fake.badLocalFrees, 0);
    EXPECT_TRUE(fake.liveMemory.empty()) << "the program's own memory leaked";
    EXPECT_EQ(fake.noticesShown, c.showsNotice ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachPlatformCall, RunWithFault,
    ::testing::Values(
        FaultCase{"NothingFails", std::nullopt, 0, kCopiedOrUsageShown, Afterwards::Replaced, true},
        // The run's own allocations, in order: the captured command line, the
        // copy of the split, the clipboard text.
        FaultCase{"NoMemoryForCapturedCommandLine", Call::LocalAlloc, 1, kNotPlaced, Afterwards::Kept, false},
        FaultCase{"NoMemoryForCopyOfSplit", Call::LocalAlloc, 2, kNotPlaced, Afterwards::Kept, false},
        FaultCase{"NoMemoryForClipboardText", Call::LocalAlloc, 3, kNotPlaced, Afterwards::Kept, false},
        // Without arguments, too, no memory means no notice.
        FaultCase{"NoMemoryForCapturedProgramNameAlone", Call::LocalAlloc, 1, kNotPlaced, Afterwards::Kept, false,
                  L"tarnwick.exe"},
        FaultCase{"NoMemoryForCopyOfProgramNameAlone", Call::LocalAlloc, 2, kNotPlaced, Afterwards::Kept, false,
                  L"tarnwick.exe"},
        // The splitter fails only for want of memory: no arguments, so the
        // notice, but not the status of a run that went right.
        FaultCase{"SplitterFails", Call::CommandLineToArgvW, 1, kNotPlaced, Afterwards::Kept, false,
                  L"tarnwick.exe alpha \"beta gamma\"", true},
        // A notice the system could not show is no notice shown.
        FaultCase{"NoticeCannotBeShown", Call::MessageBoxW, 1, kNotPlaced, Afterwards::Kept, false, L"tarnwick.exe"},
        // The block is ready before the clipboard is touched.
        FaultCase{"NoMemoryForBlock", Call::GlobalAlloc, 1, kNotPlaced, Afterwards::Kept, false},
        FaultCase{"LockYieldsNoAddress", Call::GlobalLock, 1, kNotPlaced, Afterwards::Kept, false},
        FaultCase{"ClipboardBusy", Call::OpenClipboard, 1, kClipboardBusy, Afterwards::Kept, true},
        FaultCase{"CannotEmptyClipboard", Call::EmptyClipboard, 1, kNotPlaced, Afterwards::Kept, true},
        FaultCase{"SetClipboardDataRefusesBlock", Call::SetClipboardData, 1, kNotPlaced, Afterwards::Emptied, true},
        FaultCase{"ClosingFails", Call::CloseClipboard, 1, kCopiedOrUsageShown, Afterwards::Replaced, true},
        // A listener woken by a change makes the next open fail: there is none.
        FaultCase{"ASecondOpenWouldFail", Call::OpenClipboard, 2, kCopiedOrUsageShown, Afterwards::Replaced, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunWithFault, FillsTheBlockFirstThenEmptiesAndPlacesInOneHold) {
    FakeState& fake = reset_fake();
    run(L"tarnwick.exe x", fake_platform());
    const std::vector<Call> expected{
        // capture, split and copy, clipboard text
        Call::LocalAlloc, Call::CommandLineToArgvW, Call::LocalAlloc, Call::LocalAlloc,
        // the block, filled and unlocked
        Call::GlobalAlloc, Call::GlobalLock, Call::GlobalUnlock,
        // the one hold
        Call::OpenClipboard, Call::EmptyClipboard, Call::SetClipboardData, Call::CloseClipboard,
    };
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(fake.clipboard, std::wstring(L"x\r\n\0", 4));
}

struct NoticeCase {
    const char* name;
    const wchar_t* platformLine;
};

void PrintTo(const NoticeCase& c, std::ostream* os) { *os << c.name; }

class UsageNotice : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(UsageNotice, IsShownAndClipboardLeftAlone) {
    FakeState& fake = reset_fake();

    EXPECT_EQ(run(GetParam().platformLine, fake_platform()), kCopiedOrUsageShown);

    EXPECT_EQ(fake.noticesShown, 1);
    EXPECT_EQ(fake.noticeText,
              L"Copies all arguments to the clipboard.\r\n"
              L"Kopiert alle Parameter in die Zwischenablage.");
    EXPECT_EQ(fake.noticeTitle, L"Tarnwick");
    EXPECT_EQ(fake.noticeStyle, 0u);
    EXPECT_EQ(fake.made[Call::OpenClipboard], 0);
    EXPECT_EQ(fake.clipboard, kHeldBeforeRun);
    EXPECT_TRUE(fake.liveSplitterArrays.empty());
    EXPECT_TRUE(fake.liveMemory.empty());
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, UsageNotice,
    ::testing::Values(NoticeCase{"NoCommandLine", nullptr},
                      NoticeCase{"EmptyCommandLine", L""},
                      NoticeCase{"ProgramNameOnly", L"tarnwick.exe"},
                      NoticeCase{"QuotedProgramNameAndBlanks", L"\"C:\\a b\\t.exe\" \t "}),
    [](const auto& info) { return std::string(info.param.name); });

struct SplitCase {
    const char* name;
    std::wstring commandLine;
    int expectedCount;  // -1: the count is left as it was
    Strings expected;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitCommandLine : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLine, GivesOneBasedListAndSplitterCount) {
    const SplitCase& c = GetParam();
    FakeState& fake = reset_fake();
    const Platform platform = fake_platform();
    int count = -1;

    const SplitCopy split = split_command_line(capture_command_line(c.commandLine.c_str(), platform.memory),
                                               count, platform.splitter, platform.memory);

    EXPECT_EQ(count, c.expectedCount);
    EXPECT_EQ(to_strings(split.list), c.expected);
    EXPECT_TRUE(fake.liveSplitterArrays.empty());
    EXPECT_EQ(fake.badLocalFrees, 0);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, SplitCommandLine,
    ::testing::Values(
        SplitCase{"EmptyLineIsNotSplit", L"", -1, {}},
        SplitCase{"BlankLineIsNotSplit", L" \t ", -1, {}},
        SplitCase{"BlanksBeforeProgramNameSkipped", L" \t tarnwick.exe a", 2, {L"tarnwick.exe", L"a"}},
        SplitCase{"ProgramNameOnly", L"tarnwick.exe", 1, {L"tarnwick.exe"}},
        SplitCase{"QuotedArgumentLosesQuotes", L"p \"beta gamma\"", 2, {L"p", L"beta gamma"}},
        SplitCase{"EmptyQuotesAreAnElement", L"p \"\" z", 3, {L"p", L"", L"z"}},
        SplitCase{"SurrogatePairsCopied", L"p \U0001F600", 2, {L"p", L"\U0001F600"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
