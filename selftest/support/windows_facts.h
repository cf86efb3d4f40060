// What the self-test's header says of the Windows it runs on: its version,
// and whether this build runs natively or emulated. A report from a user, or
// from a hosted runner, is read with these first.
#pragma once

#include <string>

namespace tarnwick::testing {

// "10.0.22631", as Windows itself says it (not as it tells an old program).
std::wstring windows_version();

// This build's machine and how it runs: "x64, natively", "x86, under WOW64
// on an x64 machine", "x64, emulated on an Arm64 machine".
std::wstring how_this_build_runs();

}  // namespace tarnwick::testing
