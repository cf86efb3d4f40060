#include "settled_clipboard.h"

#include "clipboard_access.h"

namespace tarnwick::testing {
namespace {

constexpr ULONGLONG kQuietMs = 100;
constexpr ULONGLONG kMostSettlingMs = 5'000;
constexpr DWORD kProbeEveryMs = 5;

BusyAnswers answers;

// Opens and closes the clipboard at once, from a window, as a clipboard
// manager would.
bool clipboard_is_free(HWND window) { return OpenClipboard(window) && CloseClipboard(); }

// Whether a window of a process other than `programId` has the clipboard
// open now. A program that opened it without a window is not seen.
bool held_by_other_than(DWORD programId) {
    const HWND holder = GetOpenClipboardWindow();
    DWORD holderId = 0;
    return holder != nullptr && GetWindowThreadProcessId(holder, &holderId) != 0 && holderId != programId;
}

}  // namespace

bool let_clipboard_settle() {
    const unique_window window(create_message_window());
    const ULONGLONG startedAt = GetTickCount64();
    ULONGLONG quietSince = startedAt, changedAt = startedAt;
    DWORD sequence = GetClipboardSequenceNumber();
    bool wasFree = false;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const bool free = clipboard_is_free(window.get());
        const bool changed = GetClipboardSequenceNumber() != sequence;
        if (changed) {
            sequence = GetClipboardSequenceNumber();
            changedAt = now;
        }
        // Readers woken by a change open the clipboard a moment after it; one
        // that opens it long after the last change does so on its own schedule.
        if (!free && wasFree && now - changedAt >= kQuietMs) answers.readerOnATimerSeen = true;
        wasFree = free;
        // A reader is woken by the change a moment after it, so a quiet spell
        // only counts once it has lasted longer than that moment.
        if (!free || changed) {
            quietSince = now;
        } else if (now - quietSince >= kQuietMs) {
            return true;
        }
        if (now - startedAt >= kMostSettlingMs) return false;
        Sleep(kProbeEveryMs);
    }
}

std::string held_too_long(const ClipboardRun& run) {
    return "tarnwick.exe kept the clipboard open " + std::to_string(run.heldAfterChangeMs.value_or(0)) +
           " ms after changing it (at most " + std::to_string(kMostHoldAfterChangeMs) +
           " ms are allowed): meanwhile no other program can read or copy anything";
}

ClipboardRun run_and_read_clipboard(const std::wstring& commandLine, std::optional<std::wstring> before) {
    ClipboardRun run;
    run.before = std::move(before);
    const unique_window probe(create_message_window());
    const DWORD sequence = GetClipboardSequenceNumber();
    const ULONGLONG startedAt = GetTickCount64();
    const StartedProcess started = start_tarnwick(commandLine);
    std::optional<ULONGLONG> changedAt;
    for (;;) {
        const bool ended = WaitForSingleObject(started.process.get(), 1) == WAIT_OBJECT_0;
        const ULONGLONG now = GetTickCount64();
        if (!changedAt && GetClipboardSequenceNumber() != sequence) changedAt = now;
        const bool heldByAnother = held_by_other_than(started.id);
        run.anotherHolderSeen = run.anotherHolderSeen || heldByAnother;
        // Once the clipboard has changed, the program holds it until another
        // program can open it, or is seen to have it, or the program has ended.
        // Before the change a probe would make the program's own open fail.
        if (changedAt && !run.heldAfterChangeMs &&
            (ended || heldByAnother || clipboard_is_free(probe.get())))
            run.heldAfterChangeMs = now - *changedAt;
        if (ended || now - startedAt >= longest_run_ms()) break;
    }
    run.status = wait_for_exit(started, 0);
    run.tookMs = GetTickCount64() - startedAt;
    run.after = read_clipboard_block();
    // A change that was not the program's own is another program at work.
    run.anotherHolderSeen = run.anotherHolderSeen || (changedAt && run.found_clipboard_busy());
    run.busyStarts = run.found_clipboard_busy() ? 1 : 0;
    return run;
}

ClipboardRun run_on_settled_clipboard(const std::wstring& commandLine, int mostStarts) {
    int busyStarts = 0;
    for (int start = 1;; ++start) {
        let_clipboard_settle();  // when it does not settle, the run may find it busy, and says so
        ClipboardRun run = run_and_read_clipboard(commandLine, read_clipboard_block());
        ++answers.starts;
        if (run.found_clipboard_busy()) {
            ++answers.busy;
            if (!run.anotherHolderSeen) ++answers.unexplained;
        }
        busyStarts += run.busyStarts;
        run.busyStarts = busyStarts;
        if (!run.found_clipboard_busy() || start == mostStarts) return run;
    }
}

std::string busy_on_every_start(int starts) {
    return "tarnwick.exe found the clipboard busy on each of its " + std::to_string(starts) +
           " starts and left it as it was, which is right while another program holds the clipboard. Most "
           "likely a clipboard manager, clipboard history or Remote Desktop was reading it.";
}

std::string BusyAnswers::summary() const {
    std::string said = std::to_string(busy) + " of " + std::to_string(starts) +
                       " starts on a settled clipboard found it busy; " + std::to_string(unexplained) +
                       " of them while the self-test saw no other program hold the clipboard (at most " +
                       std::to_string(kAllowance) + " may).";
    if (readerOnATimerSeen)
        said += " A program that opens the clipboard on a timer was seen, which explains every busy answer.";
    return said;
}

const BusyAnswers& busy_answers() { return answers; }

}  // namespace tarnwick::testing
