// The system's own command-line splitter as the judge of a run: what
// CommandLineToArgvW reads in a command line is what the program must place,
// and a failure is shown cut down to where the placed text first differs.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::testing {

// The arguments CommandLineToArgvW reads in `commandLine`, the program's own
// name dropped. Throws when the splitter fails.
std::vector<std::wstring> arguments_the_system_reads(const std::wstring& commandLine);

// Units as a reader can tell them apart: printable characters as they are,
// others (controls, surrogates, noncharacters, marks, blanks that are no
// space) as {U+XXXX}, tab, CR and LF by name; cut in the middle when longer
// than `most` units, saying how much was left out.
std::string shown(const std::wstring& units, size_t most = 240);

// Where the block a program placed first differs from what it must place for
// `commandLine`, whose arguments the splitter read as `arguments`: which
// argument, the command line up to the end of that argument, and both texts
// around the difference. Empty when they do not differ.
std::string where_it_differs(const std::wstring& commandLine, const std::vector<std::wstring>& arguments,
                             const std::wstring& placedBlock);

}  // namespace tarnwick::testing
