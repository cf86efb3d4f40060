// Command lines from a seeded generator (command_line_generator.h), each one
// run and judged by the system's own splitter: the program must place, code
// unit for code unit, what CommandLineToArgvW reads in the same line, the
// program's name dropped, each argument followed by CR LF, then one NUL; and,
// as in every run, show, write and leave nothing else. Hand-picked cases
// cannot hold what a user's real command lines hold (Send To with hundreds of
// long paths, arguments past every common buffer size, a word another program
// takes for a switch, a %VARIABLE% or a wildcard that matches a file); these
// do. The header names the seed, and --seed replays a run.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "command_line_generator.h"
#include "generation_settings.h"
#include "run_folder.h"
#include "system_splitter.h"
#include "watched_run.h"

namespace tarnwick::testing {
namespace {

// Names of variables of the environment the program inherits, with values:
// a program that expands %NAME% then places something else.
std::vector<std::wstring> variables_the_program_sees() {
    std::vector<std::wstring> names;
    const std::unique_ptr<wchar_t, decltype(&FreeEnvironmentStringsW)> block(GetEnvironmentStringsW(),
                                                                           &FreeEnvironmentStringsW);
    for (const wchar_t* entry = block.get(); entry != nullptr && *entry != L'\0'; entry += wcslen(entry) + 1) {
        const std::wstring variable = entry;
        const size_t equals = variable.find(L'=');
        const std::wstring name = variable.substr(0, equals);
        const bool plainName = !name.empty() && std::all_of(name.begin(), name.end(), [](wchar_t unit) {
            return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z') || (unit >= L'0' && unit <= L'9') ||
                   unit == L'_';
        });
        if (plainName && equals + 1 < variable.size()) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string which_line(int index, int lines, const std::wstring& line) {
    const std::uint64_t seed = generation_settings().seed;
    return "command line " + std::to_string(index + 1) + " of " + std::to_string(lines) + " (" +
           name_of(kind_of_line(index)) + ", " + std::to_string(line.size()) + " units; seed " + std::to_string(seed) +
           ", which --seed " + std::to_string(seed) + " replays): ";
}

TEST(GeneratedCommandLines, EachPlacesExactlyWhatTheSystemSplitterReads) {
    const int lines = generation_settings().lines;
    const CommandLineGenerator generator(generation_settings().seed,
                                         {variables_the_program_sees(), wildcards_matching_bait()});
    ASSERT_TRUE(write_clipboard_text(L"before the generated command lines"));
    size_t arguments = 0, longestArgument = 0, longestLine = 0, mostArguments = 0;

    // The next run is made ready while one runs.
    std::wstring line = generator.line(0);
    std::optional<PreparedRun> prepared(std::in_place, line);
    for (int index = 0; index < lines; ++index) {
        PreparedRun current = std::move(*prepared);
        const std::wstring currentLine = line;
        if (index + 1 < lines) {
            line = generator.line(index + 1);
            prepared.emplace(line);
        } else {
            prepared.reset();
        }
        const std::vector<std::wstring> expected = arguments_the_system_reads(currentLine);

        const WatchedRun run = watch(std::move(current));

        const std::string where = which_line(index, lines, currentLine);
        ASSERT_TRUE(run.seen.empty()) << where << run.what_else_was_seen() << "\n  the command line: "
                                      << shown(currentLine);
        ASSERT_TRUE(run.status.has_value()) << where << did_not_end();
        ASSERT_NE(run.status, kClipboardBusy) << where << said_busy_with_nobody_there();
        ASSERT_EQ(run.status, 0u) << where << "\n  the command line: " << shown(currentLine);
        ASSERT_TRUE(run.after.has_value()) << where << "it left no Unicode text on the clipboard";
        const std::string differs = where_it_differs(currentLine, expected, *run.after);
        ASSERT_TRUE(differs.empty()) << where << differs;

        arguments += expected.size();
        mostArguments = std::max(mostArguments, expected.size());
        longestLine = std::max(longestLine, currentLine.size());
        for (const std::wstring& argument : expected) longestArgument = std::max(longestArgument, argument.size());
    }
    RecordProperty("note", std::to_string(lines) + " command lines from seed " +
                               std::to_string(generation_settings().seed) + ": " + std::to_string(arguments) +
                               " arguments, up to " + std::to_string(mostArguments) + " in one line; the longest "
                               "argument " + std::to_string(longestArgument) + " units, the longest line " +
                               std::to_string(longestLine));
}

}  // namespace
}  // namespace tarnwick::testing
