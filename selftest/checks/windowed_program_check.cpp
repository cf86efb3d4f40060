// The program must never flash a console. Windows gives a program built for
// the console subsystem a console as it starts, unless it can share its
// parent's; Explorer, Send To and shortcuts have none to share, so every use
// would open a console window. Windows decides by the subsystem field of the
// executable's PE header, which this check reads from the very file that the
// other checks start. (A program that opens a console later is caught by every
// run's watch: its console window, and its console host, a process of its own.)
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "pe_image.h"
#include "tarnwick_process.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

TEST(WindowedProgram, IsBuiltForTheWindowsSubsystemSoNoConsoleAppears) {
    const std::wstring program = tarnwick_path();
    const std::optional<PeFacts> facts = pe_facts_of(program);
    ASSERT_TRUE(facts.has_value()) << "the PE header of " << to_utf8(program) << " could not be read";
    EXPECT_EQ(facts->subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)
        << (facts->subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI
                ? "it is built as a console program: a console window opens whenever Explorer, Send To or a "
                  "shortcut starts it"
                : "its subsystem is " + std::to_string(facts->subsystem) + ", not the Windows GUI subsystem (2)");
}

}  // namespace
}  // namespace tarnwick::testing
