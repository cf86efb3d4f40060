// Process entry: a GUI-subsystem program, so no console ever appears.
#include <windows.h>

#include <exception>

#include "run/run.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        return tarnwick::run(GetCommandLineW(), tarnwick::system_platform());
    } catch (const std::exception&) {
        // Out of memory while copying the arguments: nothing was placed. End
        // quietly rather than with a runtime-error box that would hang a script.
        return tarnwick::kNotPlaced;
    }
}
