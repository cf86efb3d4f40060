#include "clipboard_run.h"

#include <algorithm>

#include "clipboard_access.h"
#include "tarnwick_process.h"

namespace tarnwick::testing {
namespace {

// How often a run is looked at: asked for every millisecond; where the
// system's timer ticks every 15.6 ms, that is how often it is.
constexpr DWORD kLookEveryMs = 1;

// The self-test's own holder and listener open the clipboard with windows of
// this process; any other window that has it open is the program's.
bool held_with_a_window_of_another_process() {
    const HWND holder = GetOpenClipboardWindow();
    DWORD owner = 0;
    return holder != nullptr && GetWindowThreadProcessId(holder, &owner) != 0 && owner != GetCurrentProcessId();
}

bool can_open(HWND probe) { return OpenClipboard(probe) && CloseClipboard(); }

// The holds of one run, looked at again and again until it ends.
class HoldWatch {
public:
    void look(bool ended, ULONGLONG now) {
        const DWORD sequence = GetClipboardSequenceNumber();
        const bool changed = sequence != sequence_;
        sequence_ = sequence;
        if (!probing_) {
            if (!changed && !held_with_a_window_of_another_process()) return;
            probing_ = true;  // the program has opened the clipboard: a probe can no longer stand in its way
            begin(now);
        }
        if (!ended && !can_open(probe_.get())) {
            begin(now);
            return;
        }
        stop(now);
    }

    // Ends a hold still under way (the program is being ended).
    void stop(ULONGLONG now) {
        if (held_) longest_ = std::max(longest_, now - heldSince_);
        held_ = false;
    }

    ULONGLONG longest() const { return longest_; }

private:
    void begin(ULONGLONG now) {
        if (held_) return;
        held_ = true;
        heldSince_ = now;
    }

    const unique_window probe_{create_message_window()};  // a window: Wine lets a windowless open in
    DWORD sequence_ = GetClipboardSequenceNumber();
    bool probing_ = false;
    bool held_ = false;
    ULONGLONG heldSince_ = 0;
    ULONGLONG longest_ = 0;
};

}  // namespace

std::string held_too_long(const ClipboardRun& run) {
    return "tarnwick.exe kept the clipboard open for " + std::to_string(run.longestHoldMs) + " ms (at most " +
           std::to_string(kMostHoldMs) + " ms are allowed): meanwhile no other program can read or copy anything";
}

std::string said_busy_with_nobody_there() {
    return "tarnwick.exe said the clipboard was busy, but nothing else could reach it: the self-test checks in a "
           "clipboard of its own";
}

ClipboardRun run_and_watch(const std::wstring& commandLine) {
    HoldWatch holds;
    const ULONGLONG startedAt = GetTickCount64();
    const StartedProcess started = start_tarnwick(commandLine);
    for (;;) {
        const bool ended = WaitForSingleObject(started.process.get(), kLookEveryMs) == WAIT_OBJECT_0;
        const ULONGLONG now = GetTickCount64();
        holds.look(ended, now);
        if (ended) break;
        if (now - startedAt >= longest_run_ms()) {
            holds.stop(now);
            break;
        }
    }
    ClipboardRun run;
    run.status = wait_for_exit(started, 0);
    run.after = read_clipboard_block();
    run.longestHoldMs = holds.longest();
    return run;
}

}  // namespace tarnwick::testing
