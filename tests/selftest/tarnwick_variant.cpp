// tarnwick.exe with one fault in how it opens the clipboard, to show that the
// self-test catches it. Each build names its fault in FAULTY_OPEN_CLIPBOARD:
//   never_opens            says the clipboard is busy without ever opening it
//   opens_within_a_second  waits up to a second for a busy clipboard
//   never_returns          waits for the clipboard forever: the run never ends
// Without arguments each shows the usage notice, as the real program does.
#include <windows.h>

#include "run/run.h"

namespace {

[[maybe_unused]] BOOL WINAPI never_opens(HWND) { return FALSE; }

[[maybe_unused]] BOOL WINAPI opens_within_a_second(HWND owner) {
    const ULONGLONG startedAt = GetTickCount64();
    while (!OpenClipboard(owner)) {
        if (GetTickCount64() - startedAt >= 1'000) return FALSE;
        Sleep(10);
    }
    return TRUE;
}

[[maybe_unused]] BOOL WINAPI never_returns(HWND) {
    for (;;) Sleep(INFINITE);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tarnwick::Platform platform = tarnwick::system_platform();
    platform.clipboard.openClipboard = &FAULTY_OPEN_CLIPBOARD;
    return tarnwick::run(GetCommandLineW(), platform);
}
