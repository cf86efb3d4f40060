// Run control: one pass from the command line to the clipboard or the usage
// notice.
#pragma once

#include <windows.h>

#include "clipboard/clipboard.h"
#include "cmdline/command_line.h"
#include "memory/local_memory.h"

namespace tarnwick {

// Every system call the run makes, so that tests can replace any of them.
struct Platform {
    MemoryApi memory;  // the program's own memory
    SplitterApi splitter;
    ClipboardApi clipboard;
    int(WINAPI* messageBoxW)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);
};

Platform system_platform();

// The process exit status. Scripts can tell a failed copy from a good one.
enum ExitStatus : int {
    kCopiedOrUsageShown = 0,
    kClipboardBusy = 1,  // another program held the clipboard open; nothing placed, nothing lost
    kNotPlaced = 2,      // the system refused memory, a lock, the emptying or the text; nothing placed
                         // (with no memory to split the command line, after the usage notice);
                         // or the usage notice could not be shown
};

// Arguments 2 to `elementCount`, each followed by CR LF, then one NUL that
// counts in the length. Built in a single allocation of the exact size; a null
// block means there was no memory.
Utf16Text build_clipboard_text(const ArgumentList& arguments, int elementCount, const MemoryApi& memory);

// The whole run for the given platform command line (as GetCommandLineW gives
// it, possibly null).
ExitStatus run(const wchar_t* platformCommandLine, const Platform& platform);

}  // namespace tarnwick
