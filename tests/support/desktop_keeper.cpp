// Keeps the Wine session's desktop process running for as long as the session
// runs. Wine's desktop process mirrors the desktop's clipboard to the X
// display, and as it starts its clipboard bridge empties that clipboard and
// takes in the X selection; it ends once no program is left on the desktop,
// and the next program's first window starts it again. A test that had
// placed a text just before would find it gone. Holding a window of its own
// from the session's start, this program has that happen once, before any
// test. It prints "ready" once the bridge has taken in the selection.
#include <windows.h>

#include <cstdio>

#include "clipboard_access.h"

int wmain() {
    using tarnwick::testing::unique_window;
    const unique_window window(tarnwick::testing::create_message_window());  // starts the desktop process
    HWND bridge = nullptr;
    for (int waited = 0; bridge == nullptr && waited < 30'000; waited += 50) {
        bridge = FindWindowExW(HWND_MESSAGE, nullptr, L"__wine_clipboard_manager", nullptr);
        if (bridge == nullptr) Sleep(50);
    }
    // The bridge answers only once its window is made, and it takes in the
    // selection while it makes it.
    DWORD_PTR ignored = 0;
    if (bridge != nullptr) SendMessageTimeoutW(bridge, WM_NULL, 0, 0, SMTO_NORMAL, 30'000, &ignored);
    std::puts(bridge != nullptr ? "ready" : "ready (no clipboard bridge)");
    std::fflush(stdout);
    for (;;) Sleep(INFINITE);
}
