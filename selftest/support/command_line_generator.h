// Command lines drawn from a seeded generator, covering what a user's real
// command lines vary in: arguments from empty to the whole line, one to
// thousands of them, the same one again, words other programs take as
// switches, every character the splitter, the C runtime, cmd or a shell
// treats specially, variables the program sees and wildcards that match files
// in its folder, and every class of Unicode code unit. Line i depends on the
// seed and i alone, so a seed replays a run and a shorter run is a prefix of a
// longer one. Pure: no system call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick::testing {

// The longest command line Windows starts a program with: 32,767 code units
// with the NUL that ends it.
constexpr size_t kLongestCommandLine = 32'766;

// What the generator takes from the machine: names of environment variables
// the program sees (with values, so that expanding them changes the text) and
// wildcards that match files in the folder it starts in.
struct GeneratorInputs {
    std::vector<std::wstring> variables;
    std::vector<std::wstring> wildcards;
};

// The kinds of line, made in turn: line i is of kind i % kLineKinds, so every
// run of at least kLineKinds lines has each kind, whatever the seed.
enum class LineKind {
    Mixed,             // a few dozen arguments of every sort, an empty one last
    SendTo,            // many quoted paths with spaces, % ! ^ & and the like, some twice, empty ones at the end
    BufferSizes,       // arguments of 259 to 261, 1,023 to 1,025, 4,095 to 4,097 and 8,191 to 8,193 units
    WholeLine,         // one argument that fills the longest command line Windows starts
    Thousands,         // thousands of one-unit and empty arguments: a text longer than the line
    SplitterNoise,     // raw quotes, backslash runs and blanks in any order
    Unicode,           // combining marks, surrogate pairs, lone surrogates, controls, noncharacters
    BlanksAndEmpties,  // arguments of blanks only, empty ones anywhere, blanks after the last
};
constexpr int kLineKinds = 8;

const char* name_of(LineKind kind);
LineKind kind_of_line(int index);

class CommandLineGenerator {
public:
    CommandLineGenerator(std::uint64_t seed, GeneratorInputs inputs);

    // Line `index`, at most kLongestCommandLine units, never starting with a
    // blank and holding no NUL.
    std::wstring line(int index) const;

private:
    std::uint64_t seed_;
    GeneratorInputs inputs_;
};

}  // namespace tarnwick::testing
