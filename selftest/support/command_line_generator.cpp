#include "command_line_generator.h"

#include <algorithm>

#include "command_line_quoting.h"

namespace tarnwick::testing {
namespace {

// SplitMix64: small, fast, and the same numbers on every compiler and build,
// so that a seed replays a run on x86 and x64 alike.
class Random {
public:
    Random(std::uint64_t seed, int index) : state_(seed ^ (kGolden * (static_cast<std::uint64_t>(index) + 1))) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += kGolden);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t below(size_t count) { return count == 0 ? 0 : static_cast<size_t>(next() % count); }
    size_t between(size_t low, size_t high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < static_cast<size_t>(percent); }
    template <class T>
    const T& pick(const std::vector<T>& from) { return from[below(from.size())]; }

private:
    static constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ull;
    std::uint64_t state_;
};

// The classes of code units a command line is drawn from.
enum class Units { Plain, Blank, Quote, Backslash, LineBreak, Shell, Marked, Pair, LoneHigh, LoneLow, ReversedPair };

const std::wstring kPlain = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.,;:=+@#~'";
const std::wstring kBlanks = L" \t";
const std::wstring kLineBreaks = L"\r\n\v\f";
// What cmd, PowerShell and the C runtime read specially: variables, escapes,
// pipes, redirections, wildcards, groups.
const std::wstring kShell = L"%!^&|<>*?()`$";
// Single units a program may mangle: combining marks, controls (C0 and C1),
// noncharacters, the byte order mark, joiners and direction marks, blanks that
// are no separators, a private-use unit, and letters beyond ASCII.
const std::wstring kMarked =
    L"\u0301\u0308\u20DD"
    L"\u0001\u0007\u001B\u001F\u007F\u0085\u009F"
    L"\uFDD0\uFDEF\uFFFE\uFFFF"
    L"\uFEFF\u200D\u200F\u00A0\u3000\uE000\uFFFD"
    L"\u00e9\u00df\u0416\u65e5\u03b1";
// Characters above U+FFFF, the last a noncharacter (U+1FFFE).
const std::vector<std::wstring> kPairs{L"\U0001F600", L"\U00010348", L"\U0002070E", L"\xD83F\xDFFE"};

// Words other programs take as a request for help or the end of options.
const std::vector<std::wstring> kSwitches{L"/?", L"-h", L"--help", L"--", L"-?", L"/h", L"-", L"/"};

const std::vector<std::wstring> kProgramNames{L"tarnwick.exe",
                                              L"\"C:\\Program Files\\Tarnwick\\tarnwick.exe\"",
                                              L"C:\\Tools\\tarnwick.exe",
                                              L"\"tarnwick.exe\"",
                                              L"\"C:\\Users\\Zo\u00eb\\Send To\\tarnwick.exe\"",
                                              L"tarnwick"};

// The parts of paths Explorer hands to Send To.
const std::vector<std::wstring> kRoots{L"C:\\", L"D:\\", L"\\\\server\\share\\"};
const std::vector<std::wstring> kPathParts{
    L"Users\\Zo\u00eb", L"Documents", L"100% sure", L"Hello! World", L"a^b", L"R&D", L"(x86)", L"Program Files",
    L"New folder (2)", L"\u00dcn\u00efc\u00f6d\u00e9", L"\u65e5\u672c\u8a9e", L"it's", L"a;b,c=d", L"[draft]", L"{x}",
    L"~tmp", L"#1", L"%PATH%", L"x  y", L"\U0001F600 photos"};
const std::vector<std::wstring> kExtensions{L".txt", L".pdf", L".tar.gz", L"", L".docx", L". dot"};

// How often each class is drawn, in parts.
using Profile = std::vector<std::pair<Units, int>>;
// Anything at all.
const Profile kAnything{{Units::Plain, 40}, {Units::Blank, 8},     {Units::Quote, 5},    {Units::Backslash, 6},
                        {Units::LineBreak, 3}, {Units::Shell, 8}, {Units::Marked, 12},  {Units::Pair, 6},
                        {Units::LoneHigh, 2}, {Units::LoneLow, 2}, {Units::ReversedPair, 1}};
// No quotes or backslashes: an argument that, quoted, is only wrapped in
// quotes, so its length is what was drawn.
const Profile kNoSplitterUnits{{Units::Plain, 50}, {Units::Blank, 10}, {Units::LineBreak, 3}, {Units::Shell, 10},
                               {Units::Marked, 15}, {Units::Pair, 8},  {Units::LoneHigh, 2}, {Units::LoneLow, 2}};
// No blanks either: a word that stays one argument unquoted.
const Profile kWord{{Units::Plain, 50}, {Units::LineBreak, 2}, {Units::Shell, 12}, {Units::Marked, 20},
                    {Units::Pair, 10},  {Units::LoneHigh, 3}, {Units::LoneLow, 3}};
// What the splitter reads specially, above all.
const Profile kSplitterNoise{{Units::Quote, 30}, {Units::Backslash, 25}, {Units::Blank, 20}, {Units::Plain, 15},
                             {Units::Marked, 5}, {Units::Pair, 3},       {Units::LoneHigh, 1}, {Units::LoneLow, 1}};
// Every Unicode class, little else.
const Profile kUnicode{{Units::Marked, 40}, {Units::Pair, 20}, {Units::LoneHigh, 10}, {Units::LoneLow, 10},
                       {Units::ReversedPair, 5}, {Units::Plain, 15}};

std::wstring units_of(Random& random, Units kind) {
    switch (kind) {
        case Units::Plain: return {kPlain[random.below(kPlain.size())]};
        case Units::Blank: return {kBlanks[random.below(kBlanks.size())]};
        case Units::Quote: return L"\"";
        case Units::Backslash: return std::wstring(random.between(1, 4), L'\\');
        case Units::LineBreak: return random.chance(30) ? L"\r\n" : std::wstring{kLineBreaks[random.below(4)]};
        case Units::Shell: return {kShell[random.below(kShell.size())]};
        case Units::Marked: return {kMarked[random.below(kMarked.size())]};
        case Units::Pair: return random.pick(kPairs);
        case Units::LoneHigh: return {static_cast<wchar_t>(0xD800 + random.below(0x400))};
        case Units::LoneLow: return {static_cast<wchar_t>(0xDC00 + random.below(0x400))};
        case Units::ReversedPair:
            return {static_cast<wchar_t>(0xDC00 + random.below(0x400)), static_cast<wchar_t>(0xD800 + random.below(0x400))};
    }
    return L"x";
}

// Exactly `length` units drawn by `profile` (a pair cut at the end leaves a
// lone surrogate, one more of the classes).
std::wstring text(Random& random, const Profile& profile, size_t length) {
    int total = 0;
    for (const auto& [kind, parts] : profile) total += parts;
    std::wstring drawn;
    while (drawn.size() < length) {
        int part = static_cast<int>(random.below(static_cast<size_t>(total)));
        for (const auto& [kind, parts] : profile) {
            if ((part -= parts) >= 0) continue;
            drawn += units_of(random, kind);
            break;
        }
    }
    drawn.resize(length);
    return drawn;
}

std::wstring separator(Random& random) {
    static const std::vector<std::wstring> separators{L" ", L" ", L" ", L"\t", L"  ", L" \t "};
    return random.pick(separators);
}

// A command line, built token by token without passing the longest Windows
// starts.
class Line {
public:
    explicit Line(Random& random) : random_(random), text_(random.pick(kProgramNames)) {}

    // Adds a token as it stands on the command line; false, adding nothing,
    // when it would not fit with `reserve` units to spare.
    bool add(const std::wstring& token, size_t reserve = 0) {
        const std::wstring gap = separator(random_);
        if (text_.size() + gap.size() + token.size() + reserve > kLongestCommandLine) return false;
        text_ += gap + token;
        return true;
    }
    // Adds an argument, quoted as the splitter needs it to read it back.
    bool add_argument(const std::wstring& argument, size_t reserve = 0) { return add(quote_argument(argument), reserve); }

    size_t size() const { return text_.size(); }
    std::wstring take() { return std::move(text_); }
    std::wstring& text() { return text_; }

private:
    Random& random_;
    std::wstring text_;
};

std::wstring mixed(Random& random, const GeneratorInputs& inputs) {
    Line line(random);
    std::vector<std::wstring> tokens{random.pick(kSwitches), L"\"\"", quote_argument(L"C:\\dir\\"),
                                     quote_argument(text(random, kNoSplitterUnits, random.between(1, 12)) + L"\\\\"),
                                     quote_argument(L"say \"hi\" " + text(random, kAnything, 6))};
    if (!inputs.variables.empty()) {
        const std::wstring& name = random.pick(inputs.variables);
        tokens.insert(tokens.end(), {L"%" + name + L"%", L"!" + name + L"!", L"x%" + name + L"%y"});
    }
    if (!inputs.wildcards.empty()) tokens.push_back(random.pick(inputs.wildcards));
    for (size_t more = random.between(15, 50); more > 0; --more) {
        switch (random.below(5)) {
            case 0: tokens.push_back(random.pick(kSwitches)); break;
            case 1: tokens.push_back(text(random, kWord, random.between(1, 20))); break;
            case 2: tokens.push_back(L"\"\""); break;
            case 3: tokens.push_back(inputs.wildcards.empty() ? L"*" : random.pick(inputs.wildcards)); break;
            default: tokens.push_back(quote_argument(text(random, kAnything, random.between(0, 40)))); break;
        }
    }
    for (size_t i = tokens.size(); i > 1; --i) std::swap(tokens[i - 1], tokens[random.below(i)]);
    tokens.push_back(tokens[random.below(tokens.size())]);  // the same argument again
    for (const std::wstring& token : tokens) line.add(token, 3);
    line.add(L"\"\"");  // an empty argument last
    return line.take();
}

std::wstring send_to(Random& random) {
    Line line(random);
    std::vector<std::wstring> paths;
    for (size_t count = random.between(10, 200); count > 0; --count) {
        std::wstring path = random.pick(kRoots);
        for (size_t parts = random.between(1, 4); parts > 0; --parts) path += random.pick(kPathParts) + L"\\";
        path += text(random, kWord, random.between(1, 12)) + L" " + random.pick(kPathParts) + random.pick(kExtensions);
        if (!paths.empty() && random.chance(25)) path = random.pick(paths);  // sent twice
        if (!line.add_argument(path, 12)) break;
        paths.push_back(path);
    }
    for (size_t empties = random.between(1, 3); empties > 0; --empties) line.add(L"\"\"");
    return line.take();
}

std::wstring buffer_sizes(Random& random) {
    Line line(random);
    std::vector<size_t> lengths{259, 260, 261, 1023, 1024, 1025, 4095, 4096, 4097, 8191 + random.below(3)};
    for (size_t i = lengths.size(); i > 1; --i) std::swap(lengths[i - 1], lengths[random.below(i)]);
    for (const size_t length : lengths) line.add_argument(text(random, kNoSplitterUnits, length));
    return line.take();
}

std::wstring whole_line(Random& random) {
    Line line(random);
    line.text() += L" ";
    const size_t room = kLongestCommandLine - line.size();
    if (random.chance(50)) {
        line.text() += L"\"" + text(random, kNoSplitterUnits, room - 2) + L"\"";
    } else {
        line.text() += text(random, kWord, room);
    }
    return line.take();
}

std::wstring thousands(Random& random) {
    Line line(random);
    const size_t target = random.between(8'000, kLongestCommandLine);
    std::vector<std::wstring> earlier;
    while (line.size() + 4 < target) {
        std::wstring token = random.chance(10) ? L"\"\"" : text(random, kWord, 1);
        if (token.front() >= 0xD800 && token.front() <= 0xDFFF && random.chance(50)) token = L"a";
        if (!earlier.empty() && random.chance(10)) token = random.pick(earlier);
        if (!line.add(token)) break;
        if (earlier.size() < 64) earlier.push_back(token);
    }
    return line.take();
}

std::wstring splitter_noise(Random& random) {
    Line line(random);
    line.add(text(random, kSplitterNoise, random.between(20, 3'000)));
    return line.take();
}

std::wstring unicode(Random& random) {
    Line line(random);
    for (size_t count = random.between(10, 150); count > 0; --count) {
        const size_t length = random.between(1, 30);
        if (random.chance(60)) {
            line.add_argument(text(random, kUnicode, length));
        } else {
            line.add(text(random, kWord, length));
        }
    }
    return line.take();
}

std::wstring blanks_and_empties(Random& random) {
    static const std::vector<std::wstring> kinds{L"\"\"", L"\" \"", L"\"\t\"", L"\"   \"", L"\" a \"", L"\"\t b\t\"", L"x"};
    // Each kind at least once, in any order, and more of any.
    std::vector<std::wstring> tokens = kinds;
    for (size_t more = random.between(0, 50); more > 0; --more) tokens.push_back(random.pick(kinds));
    for (size_t i = tokens.size(); i > 1; --i) std::swap(tokens[i - 1], tokens[random.below(i)]);
    Line line(random);
    for (const std::wstring& token : tokens) {
        line.text() += std::wstring(random.below(3), L' ');
        line.add(token);
    }
    line.add(L"\"\"");
    line.text() += text(random, {{Units::Blank, 1}}, random.between(1, 4));
    return line.take();
}

}  // namespace

const char* name_of(LineKind kind) {
    switch (kind) {
        case LineKind::Mixed: return "mixed";
        case LineKind::SendTo: return "Send To";
        case LineKind::BufferSizes: return "buffer sizes";
        case LineKind::WholeLine: return "one argument filling the line";
        case LineKind::Thousands: return "thousands of arguments";
        case LineKind::SplitterNoise: return "splitter noise";
        case LineKind::Unicode: return "Unicode";
        case LineKind::BlanksAndEmpties: return "blanks and empty arguments";
    }
    return "?";
}

LineKind kind_of_line(int index) { return static_cast<LineKind>(index % kLineKinds); }

CommandLineGenerator::CommandLineGenerator(std::uint64_t seed, GeneratorInputs inputs)
    : seed_(seed), inputs_(std::move(inputs)) {}

std::wstring CommandLineGenerator::line(int index) const {
    Random random(seed_, index);
    switch (kind_of_line(index)) {
        case LineKind::Mixed: return mixed(random, inputs_);
        case LineKind::SendTo: return send_to(random);
        case LineKind::BufferSizes: return buffer_sizes(random);
        case LineKind::WholeLine: return whole_line(random);
        case LineKind::Thousands: return thousands(random);
        case LineKind::SplitterNoise: return splitter_noise(random);
        case LineKind::Unicode: return unicode(random);
        case LineKind::BlanksAndEmpties: return blanks_and_empties(random);
    }
    return {};
}

}  // namespace tarnwick::testing
