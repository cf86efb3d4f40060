// Stands in for the other programs on a desktop that read the clipboard, in
// a process of its own:
//   clipboard_manager HOLD_MS READY_EVENT
//     a clipboard manager, clipboard history or a remote clipboard bridge: it
//     reads every new content and keeps the clipboard open HOLD_MS after each
//     change;
//   clipboard_manager --timer EVERY_MS HOLD_MS READY_EVENT
//     an older clipboard tool or a virtual machine's clipboard bridge: it opens
//     the clipboard from a window every EVERY_MS, changed or not, and keeps it
//     open HOLD_MS; with HOLD_MS near EVERY_MS, a program that holds the
//     clipboard most of the time.
// It sets the named event READY_EVENT once it reads, and runs until it is
// ended.
#include <windows.h>

#include <cwchar>
#include <string>

#include "clipboard_access.h"
#include "clipboard_listener.h"

namespace {

DWORD milliseconds(const wchar_t* text) { return static_cast<DWORD>(std::wcstoul(text, nullptr, 10)); }

bool say_ready(const wchar_t* eventName) {
    const HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName);  // or opens the waiting one
    const bool said = ready != nullptr && SetEvent(ready);
    if (ready != nullptr) CloseHandle(ready);
    return said;
}

int read_every_change(DWORD holdMs, const wchar_t* readyEvent) {
    const tarnwick::testing::ClipboardListener listener(holdMs);
    if (!listener.listening() || !say_ready(readyEvent)) return 1;
    for (;;) Sleep(INFINITE);
}

int read_on_a_timer(DWORD everyMs, DWORD holdMs, const wchar_t* readyEvent) {
    const tarnwick::testing::unique_window window(tarnwick::testing::create_message_window());
    if (!window || SetTimer(window.get(), 1, everyMs, nullptr) == 0 || !say_ready(readyEvent)) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && OpenClipboard(window.get())) {
            Sleep(holdMs);
            CloseClipboard();
        }
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3) return read_every_change(milliseconds(argv[1]), argv[2]);
    if (argc == 5 && std::wstring(argv[1]) == L"--timer")
        return read_on_a_timer(milliseconds(argv[2]), milliseconds(argv[3]), argv[4]);
    return 2;
}
