// Stands in for a clipboard manager, clipboard history or a remote clipboard
// bridge, in a process of its own: it reads every new content of the
// clipboard and keeps the clipboard open for a while after each change.
//   clipboard_manager HOLD_MS READY_EVENT
// It sets the named event READY_EVENT once it listens, and runs until it is
// ended.
#include <windows.h>

#include <cwchar>

#include "clipboard_listener.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const tarnwick::testing::ClipboardListener listener(static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)));
    if (!listener.listening()) return 1;
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, argv[2]);  // or opens the waiting one
    if (ready == nullptr || !SetEvent(ready)) return 1;
    CloseHandle(ready);
    for (;;) Sleep(INFINITE);
}
