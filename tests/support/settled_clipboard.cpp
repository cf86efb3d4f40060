#include "settled_clipboard.h"

#include "clipboard_access.h"

namespace tarnwick::testing {
namespace {

constexpr ULONGLONG kQuietMs = 100;
constexpr ULONGLONG kMostSettlingMs = 5'000;
constexpr DWORD kProbeEveryMs = 5;

// Opens and closes the clipboard at once, from a window, as a clipboard
// manager would.
bool clipboard_is_free(HWND window) { return OpenClipboard(window) && CloseClipboard(); }

}  // namespace

bool let_clipboard_settle() {
    const unique_window window(create_message_window());
    const ULONGLONG startedAt = GetTickCount64();
    ULONGLONG quietSince = startedAt;
    DWORD sequence = GetClipboardSequenceNumber();
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        // A reader is woken by the change a moment after it, so a quiet spell
        // only counts once it has lasted longer than that moment.
        if (!clipboard_is_free(window.get()) || GetClipboardSequenceNumber() != sequence) {
            quietSince = now;
            sequence = GetClipboardSequenceNumber();
        } else if (now - quietSince >= kQuietMs) {
            return true;
        }
        if (now - startedAt >= kMostSettlingMs) return false;
        Sleep(kProbeEveryMs);
    }
}

ClipboardRun run_and_read_clipboard(const std::wstring& commandLine, std::optional<std::wstring> before) {
    ClipboardRun run;
    run.before = std::move(before);
    const ULONGLONG startedAt = GetTickCount64();
    run.status = wait_for_exit(start_tarnwick(commandLine), longest_run_ms());
    run.tookMs = GetTickCount64() - startedAt;
    run.after = read_clipboard_block();
    run.busyStarts = run.found_clipboard_busy() ? 1 : 0;
    return run;
}

ClipboardRun run_on_settled_clipboard(const std::wstring& commandLine, int mostStarts) {
    int busyStarts = 0;
    bool settledBeforeEach = true;
    for (int start = 1;; ++start) {
        std::optional<std::wstring> before = read_clipboard_block();
        // When the clipboard does not settle, the run may find it busy, and says so.
        settledBeforeEach = let_clipboard_settle() && settledBeforeEach;
        ClipboardRun run = run_and_read_clipboard(commandLine, std::move(before));
        busyStarts += run.busyStarts;
        run.busyStarts = busyStarts;
        run.settledBeforeEachStart = settledBeforeEach;
        if (!run.found_clipboard_busy() || start == mostStarts) return run;
    }
}

std::string busy_on_every_start(int starts) {
    return "tarnwick.exe found the clipboard busy on each of its " + std::to_string(starts) +
           " starts and left it as it was, which is right while another program holds the clipboard. Most "
           "likely a clipboard manager, clipboard history or Remote Desktop was reading it.";
}

}  // namespace tarnwick::testing
