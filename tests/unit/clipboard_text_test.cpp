// The pure parts: capturing the command line, copying the split, and
// assembling the clipboard text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline/command_line.h"
#include "fake_platform.h"
#include "run/run.h"
#include "standard_strings.h"

namespace tarnwick::testing {
namespace {

const MemoryApi kMemory = fake_platform().memory;

std::wstring with_nul(const std::wstring& text) { return text + L'\0'; }

struct TextCase {
    const char* name;
    Strings arguments;
    int elementCount;
    std::wstring expected;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class ClipboardText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ClipboardText, FollowsEveryArgumentWithLineEndAndEndsInOneNul) {
    const TextCase& c = GetParam();
    EXPECT_EQ(to_wstring(build_clipboard_text(ListOf(c.arguments), c.elementCount, kMemory)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ClipboardText,
    ::testing::Values(
        TextCase{"OneCharacterIsFourUnits", {L"prog", L"x"}, 2, with_nul(L"x\r\n")},
        TextCase{"TwoArguments", {L"prog", L"x", L"y"}, 3, with_nul(L"x\r\ny\r\n")},
        TextCase{"EmptyArgumentIsBareLineEnd", {L"prog", L""}, 2, with_nul(L"\r\n")},
        TextCase{"EmptyArgumentKeepsItsPlace", {L"prog", L"a", L"", L"b"}, 4,
                 with_nul(L"a\r\n\r\nb\r\n")},
        TextCase{"SpacesStayOnOneLine", {L"prog", L"beta gamma"}, 2, with_nul(L"beta gamma\r\n")},
        TextCase{"NothingTrimmedOrEscaped", {L"prog", L" \"q\" \\ \t"}, 2,
                 with_nul(L" \"q\" \\ \t\r\n")},
        TextCase{"SurrogatePairsUnchanged", {L"prog", L"\U0001F600\u00e9"}, 2,
                 with_nul(L"\U0001F600\u00e9\r\n")},
        TextCase{"ProgramNameNeverCopied", {L"C:\\a b\\tarnwick.exe", L"z"}, 2, with_nul(L"z\r\n")},
        TextCase{"CountBeyondListStopsAtList", {L"prog", L"a"}, 5, with_nul(L"a\r\n")},
        TextCase{"NoArgumentsGivesOnlyNul", {L"prog"}, 1, with_nul(L"")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClipboardText, EmbeddedNulsAreCarried) {
    const std::wstring withNul(L"a\0b", 3);
    EXPECT_EQ(to_wstring(build_clipboard_text(ListOf({L"prog", withNul}), 2, kMemory)),
              with_nul(withNul + L"\r\n"));
}

TEST(ClipboardText, IsBuiltWithExactlyTheSpaceItNeeds) {
    FakeState& fake = reset_fake();
    const Strings arguments(2000, std::wstring(15, L'w'));
    const Utf16Text text = build_clipboard_text(ListOf(arguments), 2000, kMemory);
    EXPECT_EQ(text.length, 1999u * 17 + 1);
    EXPECT_EQ(fake.made[Call::LocalAlloc], 1);
    EXPECT_EQ(fake.liveMemory[text.units.get()], text.length * sizeof(wchar_t));
}

struct CaptureCase {
    const char* name;
    const wchar_t* platformLine;
    std::wstring expected;
};

void PrintTo(const CaptureCase& c, std::ostream* os) { *os << c.name; }

class Capture : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(Capture, CopiesThePlatformCommandLineUnitForUnit) {
    EXPECT_EQ(to_wstring(capture_command_line(GetParam().platformLine, kMemory)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    PlatformLines, Capture,
    ::testing::Values(CaptureCase{"NullGivesEmpty", nullptr, L""},
                      CaptureCase{"EmptyGivesEmpty", L"", L""},
                      CaptureCase{"SpacesAtBothEndsKept", L"  \"a b.exe\"  x  ", L"  \"a b.exe\"  x  "},
                      CaptureCase{"CharactersAboveBmpKept", L"p \U0001F600", L"p \U0001F600"}),
    [](const auto& info) { return std::string(info.param.name); });

struct CopySplitCase {
    const char* name;
    std::vector<const wchar_t*> elements;
    int elementCount;
    Strings expected;
};

void PrintTo(const CopySplitCase& c, std::ostream* os) { *os << c.name; }

class CopySplit : public ::testing::TestWithParam<CopySplitCase> {};

TEST_P(CopySplit, CopiesEachElementInOrder) {
    const CopySplitCase& c = GetParam();
    EXPECT_EQ(to_strings(copy_split(c.elements.data(), c.elementCount, kMemory).list), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    SplitterArrays, CopySplit,
    ::testing::Values(
        CopySplitCase{"ProgramNameOnly", {L"prog"}, 1, {L"prog"}},
        CopySplitCase{"ElementOneIsProgramName", {L"prog", L"a", L"b"}, 3, {L"prog", L"a", L"b"}},
        CopySplitCase{"EmptyElementKept", {L"prog", L"", L"z"}, 3, {L"prog", L"", L"z"}},
        CopySplitCase{"SurrogatePairsKept", {L"prog", L"\U00010348"}, 2, {L"prog", L"\U00010348"}},
        CopySplitCase{"ZeroCountGivesNoElements", {}, 0, {}},
        CopySplitCase{"NegativeCountGivesNoElements", {}, -1, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::testing
