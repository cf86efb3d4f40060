// The generated command lines hold, for every seed, what the faulty builds in
// unpacked_selftest_test.cpp are caught by and what a user's command lines
// hold; and a failure names its line cut down to the first difference.
// Judged by the system's splitter, as the self-test judges them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "command_line_generator.h"
#include "command_line_quoting.h"
#include "system_splitter.h"

namespace tarnwick::testing {
namespace {

const GeneratorInputs kInputs{{L"PATH", L"TEMP"}, {L"*.txt", L"b*"}};
constexpr int kSeeds = 25;

bool is_lone_surrogate(const std::wstring& text, size_t i) {
    const auto high = [&](size_t at) { return at < text.size() && text[at] >= 0xD800 && text[at] <= 0xDBFF; };
    const auto low = [&](size_t at) { return at < text.size() && text[at] >= 0xDC00 && text[at] <= 0xDFFF; };
    return (high(i) && !low(i + 1)) || (low(i) && (i == 0 || !high(i - 1)));
}

bool any_argument(const std::vector<std::wstring>& arguments, const std::function<bool(const std::wstring&)>& is) {
    return std::any_of(arguments.begin(), arguments.end(), is);
}

size_t text_length(const std::vector<std::wstring>& arguments) { return clipboard_block_for(arguments).size(); }

// What every line of a kind holds, whatever the seed.
struct KindCase {
    const char* name;
    LineKind kind;
    std::function<void(const std::wstring& line, const std::vector<std::wstring>& arguments)> holds;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class EveryGeneratedLine : public ::testing::TestWithParam<KindCase> {};

TEST_P(EveryGeneratedLine, HoldsWhatItsKindPromisesForEverySeed) {
    for (int seed = 1; seed <= kSeeds; ++seed) {
        const CommandLineGenerator generator(static_cast<std::uint64_t>(seed) * 7919, kInputs);
        const int index = static_cast<int>(GetParam().kind) + kLineKinds * (seed % 3);
        const std::wstring line = generator.line(index);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", line " + shown(line));
        ASSERT_EQ(kind_of_line(index), GetParam().kind);
        ASSERT_LE(line.size(), kLongestCommandLine);
        ASSERT_EQ(line.find(L'\0'), std::wstring::npos);
        ASSERT_NE(line.front(), L' ');
        ASSERT_NE(line.front(), L'\t');
        EXPECT_EQ(generator.line(index), line) << "the same seed gave another line";
        GetParam().holds(line, arguments_the_system_reads(line));
    }
}

const auto kSwitchWord = [](const std::wstring& a) { return a == L"/?" || a == L"-h" || a == L"--help" || a == L"-?" || a == L"/h"; };

INSTANTIATE_TEST_SUITE_P(
    Kinds, EveryGeneratedLine,
    ::testing::Values(
        KindCase{"MixedHasASwitchAVariableAWildcardRepeatsAndEmptiesLast", LineKind::Mixed,
                 [](const std::wstring&, const std::vector<std::wstring>& a) {
                     EXPECT_TRUE(any_argument(a, kSwitchWord));
                     EXPECT_TRUE(any_argument(a, [](const std::wstring& x) { return x.find(L"%PATH%") != x.npos ||
                                                                                    x.find(L"%TEMP%") != x.npos; }));
                     EXPECT_TRUE(any_argument(a, [](const std::wstring& x) { return x == L"*.txt" || x == L"b*"; }));
                     ASSERT_GE(a.size(), 2u);
                     EXPECT_TRUE(a.back().empty()) << "the last argument is not empty";
                     EXPECT_TRUE(std::any_of(a.begin(), a.end() - 1, [](const std::wstring& x) { return x.empty(); }));
                     EXPECT_LT(std::set<std::wstring>(a.begin(), a.end()).size(), a.size()) << "nothing repeats";
                 }},
        KindCase{"SendToHasPathsWithBlanksAndEmptiesAtTheEnd", LineKind::SendTo,
                 [](const std::wstring&, const std::vector<std::wstring>& a) {
                     ASSERT_GE(a.size(), 2u);
                     EXPECT_TRUE(a.back().empty());
                     EXPECT_TRUE(any_argument(a, [](const std::wstring& x) { return x.find(L' ') != x.npos; }));
                     EXPECT_TRUE(any_argument(a, [](const std::wstring& x) { return x.find_first_of(L"%!^&") != x.npos; }));
                 }},
        KindCase{"BufferSizesStraddleEachCommonSize", LineKind::BufferSizes,
                 [](const std::wstring&, const std::vector<std::wstring>& a) {
                     std::set<size_t> lengths;
                     for (const std::wstring& x : a) lengths.insert(x.size());
                     for (const size_t size : {260u, 1024u, 4096u})
                         for (const size_t length : {size - 1, size, size + 1}) EXPECT_TRUE(lengths.contains(length)) << length;
                     EXPECT_TRUE(lengths.contains(8191) || lengths.contains(8192) || lengths.contains(8193));
                 }},
        KindCase{"WholeLineIsOneArgumentAsLongAsWindowsAllows", LineKind::WholeLine,
                 [](const std::wstring& line, const std::vector<std::wstring>& a) {
                     EXPECT_EQ(line.size(), kLongestCommandLine);
                     ASSERT_EQ(a.size(), 1u);
                     EXPECT_GT(a.front().size(), kLongestCommandLine - 60);
                 }},
        KindCase{"ThousandsMakeATextLongerThanTheLine", LineKind::Thousands,
                 [](const std::wstring& line, const std::vector<std::wstring>& a) {
                     EXPECT_GE(a.size(), 2'000u);
                     EXPECT_GT(text_length(a), line.size());
                 }},
        KindCase{"SplitterNoiseHasQuotesBackslashesAndBlanks", LineKind::SplitterNoise,
                 [](const std::wstring& line, const std::vector<std::wstring>&) {
                     const std::wstring raw = line.substr(line.find_first_of(L" \t", 1));
                     for (const wchar_t unit : {L'"', L'\\', L' '}) EXPECT_NE(raw.find(unit), raw.npos) << static_cast<int>(unit);
                 }},
        KindCase{"UnicodeHasPairsLoneSurrogatesAndMarks", LineKind::Unicode,
                 [](const std::wstring& line, const std::vector<std::wstring>&) {
                     bool lone = false, pair = false, marked = false;
                     for (size_t i = 0; i < line.size(); ++i) {
                         lone = lone || is_lone_surrogate(line, i);
                         pair = pair || (i + 1 < line.size() && line[i] >= 0xD800 && line[i] <= 0xDBFF &&
                                         line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF);
                         marked = marked || line[i] == 0x0301 || line[i] == 0x0308 || line[i] == 0x20DD || line[i] < 0x20 ||
                                  (line[i] >= 0xFDD0 && line[i] <= 0xFDEF) || line[i] >= 0xFFFE;
                     }
                     EXPECT_TRUE(lone);
                     EXPECT_TRUE(pair);
                     EXPECT_TRUE(marked);
                 }},
        KindCase{"BlanksAndEmptiesEndOnAnEmptyArgumentAndBlanks", LineKind::BlanksAndEmpties,
                 [](const std::wstring& line, const std::vector<std::wstring>& a) {
                     ASSERT_FALSE(a.empty());
                     EXPECT_TRUE(a.back().empty());
                     EXPECT_TRUE(line.back() == L' ' || line.back() == L'\t');
                     EXPECT_TRUE(any_argument(a, [](const std::wstring& x) {
                         return !x.empty() && x.find_first_not_of(L" \t") == x.npos;
                     }));
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GeneratedLines, DependOnTheSeed) {
    const CommandLineGenerator one(1, kInputs), two(2, kInputs);
    for (int index = 0; index < kLineKinds; ++index) EXPECT_NE(one.line(index), two.line(index)) << index;
}

// Where a placed text first differs, as a failure names it.
struct DifferenceCase {
    const char* name;
    std::wstring commandLine;
    std::wstring placed;
    std::vector<std::string> says;  // each must be in the description
};

void PrintTo(const DifferenceCase& c, std::ostream* os) { *os << c.name; }

class FirstDifference : public ::testing::TestWithParam<DifferenceCase> {};

TEST_P(FirstDifference, NamesTheArgumentAndCutsTheLineAfterIt) {
    const DifferenceCase& c = GetParam();
    const std::string said = where_it_differs(c.commandLine, arguments_the_system_reads(c.commandLine), c.placed);
    for (const std::string& words : c.says) EXPECT_NE(said.find(words), std::string::npos) << words << "\n" << said;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FirstDifference,
    ::testing::Values(
        DifferenceCase{"InTheSecondArgument", L"t.exe one \"two x\" three four",
                       with_nul(L"one\r\ntwo y\r\nthree\r\nfour\r\n"),
                       {"argument 2 of 4 (its unit 5)", "up to that argument: \"t.exe one \"two x\" \""}},
        DifferenceCase{"AnArgumentLeftOut", L"t.exe a \"\" b", with_nul(L"a\r\nb\r\n"),
                       {"argument 2 of 3 (its unit 1)"}},
        DifferenceCase{"MoreThanTheArguments", L"t.exe a", with_nul(L"a\r\nb\r\n"),
                       {"the end of the text, after all 1 arguments"}},
        DifferenceCase{"ControlsAndSurrogatesShownByNumber", L"t.exe \"a\tb\" \xD800x", with_nul(L"a\tb\r\n\xD800y\r\n"),
                       {"argument 2 of 2", "{U+D800}x", "{U+D800}y"}},
        DifferenceCase{"ALongLineShownCut", L"t.exe " + std::wstring(5'000, L'a') + L" b",
                       with_nul(std::wstring(5'000, L'a') + L"\r\nc\r\n"),
                       {"argument 2 of 2", "units left out"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Shown, IsWholeWhenShort) { EXPECT_EQ(shown(L"a\r\n\x0301\U0001F600"), "\"a{CR}{LF}{U+0301}\xF0\x9F\x98\x80\""); }

}  // namespace
}  // namespace tarnwick::testing
