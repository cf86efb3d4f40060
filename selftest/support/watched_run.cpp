#include "watched_run.h"

#include <algorithm>
#include <set>

#include "clipboard_access.h"
#include "clipboard_formats.h"
#include "utf8.h"

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

// The holds of one run, looked at again and again until it ends. A hold is
// timed from the first moment it shows without opening the clipboard (its
// content changes, or a window of another process has it open) until the
// clipboard can be opened again or the program has ended: opening it earlier
// could make the program's own open fail. Before its first change, a program
// that opens the clipboard without a window cannot be seen holding it; the
// bound on the whole run catches one that waits there.
class HoldWatch {
public:
    explicit HoldWatch(HWND probe) : probe_(probe) {}

    void look(bool ended, ULONGLONG now) {
        const DWORD sequence = GetClipboardSequenceNumber();
        const bool changed = sequence != sequence_;
        sequence_ = sequence;
        if (!probing_) {
            if (!changed && !held_with_a_window_of_another_process()) return;
            probing_ = true;  // the program has opened the clipboard: a probe can no longer stand in its way
            begin(now);
        }
        if (!ended && !can_open(probe_)) {
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

    HWND probe_;
    DWORD sequence_ = GetClipboardSequenceNumber();
    bool probing_ = false;
    bool held_ = false;
    ULONGLONG heldSince_ = 0;
    ULONGLONG longest_ = 0;
};

// A window's title, read without a message to it: its program may be busy.
std::wstring title_of(HWND window) {
    wchar_t text[128]{};
    GetWindowTextW(window, text, 128);
    return text;
}

std::wstring image_of(DWORD processId) {
    const unique_handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t path[MAX_PATH]{};
    DWORD length = MAX_PATH;
    if (!process || !QueryFullProcessImageNameW(process.get(), 0, path, &length)) return L"process " + std::to_wstring(processId);
    const std::wstring full(path, length);
    return full.substr(full.find_last_of(L'\\') + 1);
}

// A window as a user would describe it, and whose it is.
std::string described(HWND window) {
    wchar_t kind[64]{};
    GetClassNameW(window, kind, 64);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return "a window appeared on the desktop (class \"" + to_utf8(kind) + "\", title \"" + to_utf8(title_of(window)) +
           "\", of " + to_utf8(image_of(owner)) + "), so the check ended the run at once";
}

std::wstring own_folder_of_program() {
    const std::wstring program = tarnwick_path();
    return program.substr(0, program.find_last_of(L'\\'));
}

// What the run folder, the program's own folder and the job say of the run.
void look_for_traces(const RunFolder& folder, const FolderListing& ownBefore, DWORD othersBefore,
                     std::vector<std::string>& seen) {
    if (const std::string changes = folder.changes(); !changes.empty())
        seen.push_back("the folder it was started in changed: " + changes);
    if (const std::string changes = changes_between(ownBefore, list_folder(own_folder_of_program())); !changes.empty())
        seen.push_back("its own folder changed: " + changes);
    const DWORD others = processes_run_in_the_job() - processes_started();
    if (others > othersBefore)
        seen.push_back(std::to_string(others - othersBefore) +
                       " other process(es) ran beside it (a console host for a console it opened, or a program "
                       "it started)");
}

// A run longer than the bound beside the fastest reference start is measured
// again against a reference start made now: a machine that is slow at this
// moment (a virus scan, another program's build) slows that start alike,
// while a program that lingers still takes longer.
void judge_time(ULONGLONG tookMs, std::vector<std::string>& seen) {
    if (tookMs <= longest_run_beside(fastest_reference_ms())) return;
    const ULONGLONG now = start_reference().tookMs;
    if (tookMs <= longest_run_beside(now)) return;
    seen.push_back("the run took " + std::to_string(tookMs) + " ms from start to end, and a start of a program that "
                   "does nothing " + std::to_string(now) + " ms just after it (at most " +
                   std::to_string(longest_run_beside(now)) + " ms are allowed): it lingered, or waited");
}

}  // namespace

ULONGLONG longest_run_beside(ULONGLONG referenceMs) { return referenceMs + std::max(ULONGLONG{300}, referenceMs / 2); }

std::string WatchedRun::what_else_was_seen() const {
    std::string said;
    for (const std::string& sentence : seen) said += (said.empty() ? "" : "; ") + sentence;
    return said;
}

PreparedRun::PreparedRun(const std::wstring& commandLine)
    : folder_(std::make_unique<RunFolder>()),
      started_(start_tarnwick(commandLine, CREATE_SUSPENDED, folder_->path())) {}

namespace {

// Follows the run to its end, looking at its holds and at every window on the
// desktop; ends it at once for a window it must not show, or at the deadline.
// Returns when the judged part of the run began: when it was let go, or when
// its notice was dismissed.
ULONGLONG follow_to_its_end(StartedProcess& started, HoldWatch& holds, const NoticeHandler& onNotice,
                            std::vector<std::string>& seen) {
    std::set<HWND> looked;
    ULONGLONG noticeUpMs = 0;
    let_go(started);
    ULONGLONG timedFrom = started.letGoAt;
    for (;;) {
        const bool ended = WaitForSingleObject(started.process.get(), kLookEveryMs) == WAIT_OBJECT_0;
        const ULONGLONG now = GetTickCount64();
        holds.look(ended, now);
        bool endAtOnce = false;
        for (const HWND window : visible_windows()) {
            if (!looked.insert(window).second) continue;
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (onNotice && looked.size() == 1 && owner == started.id) {
                endAtOnce = !onNotice(window);
                timedFrom = GetTickCount64();
                noticeUpMs += timedFrom - now;
                continue;
            }
            seen.push_back(described(window));
            endAtOnce = true;
        }
        if (ended) return timedFrom;
        if (endAtOnce || now - started.letGoAt - noticeUpMs >= longest_run_ms()) {
            holds.stop(GetTickCount64());
            return timedFrom;
        }
    }
}

// Reads the text the run placed and judges the formats beside it.
void read_what_it_placed(HWND probe, WatchedRun& watched) {
    if (!open_clipboard_patiently(probe)) return;
    watched.after = block_of_open_clipboard();
    if (watched.after) {
        FormatsJudged formats = judge_text_formats(*watched.after);
        watched.textFormatsComparedBeyondAscii = formats.comparedBeyondAscii;
        watched.seen.insert(watched.seen.end(), formats.faults.begin(), formats.faults.end());
    }
    CloseClipboard();
}

}  // namespace

WatchedRun watch(PreparedRun run, const NoticeHandler& onNotice) {
    const unique_window probe(create_message_window());  // a window: Wine lets a windowless open in
    HoldWatch holds(probe.get());
    const FolderListing ownBefore = list_folder(own_folder_of_program());
    const DWORD othersBefore = processes_run_in_the_job() - processes_started();
    const DWORD sequenceBefore = GetClipboardSequenceNumber();
    WatchedRun watched;

    const ULONGLONG timedFrom = follow_to_its_end(run.started_, holds, onNotice, watched.seen);
    watched.tookMs = GetTickCount64() - timedFrom;
    watched.status = wait_for_exit(run.started_, 0);  // ends it, should it still run
    watched.longestHoldMs = holds.longest();
    watched.changedClipboard = GetClipboardSequenceNumber() != sequenceBefore;
    // An unchanged clipboard is the check's to read, once it has let go of it.
    if (watched.changedClipboard) read_what_it_placed(probe.get(), watched);
    if (watched.longestHoldMs > kMostHoldMs)
        watched.seen.push_back("it kept the clipboard open for " + std::to_string(watched.longestHoldMs) +
                               " ms (at most " + std::to_string(kMostHoldMs) +
                               " ms are allowed): meanwhile no other program can read or copy anything");
    look_for_traces(*run.folder_, ownBefore, othersBefore, watched.seen);
    if (watched.status) judge_time(watched.tookMs, watched.seen);
    return watched;
}

WatchedRun run_and_watch(const std::wstring& commandLine, const NoticeHandler& onNotice) {
    return watch(PreparedRun(commandLine), onNotice);
}

std::string said_busy_with_nobody_there() {
    return "tarnwick.exe said the clipboard was busy, but nothing else could reach it: the self-test checks in a "
           "clipboard of its own";
}

}  // namespace tarnwick::testing
