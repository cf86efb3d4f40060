// Process entry: a GUI-subsystem program, so no console ever appears.
#include <windows.h>

#include "run/run.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return tarnwick::run(GetCommandLineW(), tarnwick::system_platform());
}
