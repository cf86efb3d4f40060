#include "run/run.h"

#include <algorithm>

#include "run/usage_notice.h"

namespace tarnwick {
namespace {

constexpr std::wstring_view kLineEnd = L"\r\n";

ExitStatus exit_status_for(ClipboardOutcome outcome) {
    switch (outcome) {
        case ClipboardOutcome::Done: return kCopiedOrUsageShown;
        case ClipboardOutcome::Busy: return kClipboardBusy;
        case ClipboardOutcome::Refused: break;
    }
    return kNotPlaced;
}

// False when the system could not show it (no desktop, no memory): MessageBoxW
// then returns 0 instead of the button that closed it.
bool show_usage_notice(const Platform& platform) {
    return platform.messageBoxW(nullptr, usage_notice::kPrompt, usage_notice::kTitle, usage_notice::kStyle) != 0;
}

}  // namespace

Platform system_platform() {
    return {system_memory_api(), system_splitter_api(), system_clipboard_api(), &MessageBoxW};
}

Utf16Text build_clipboard_text(const ArgumentList& arguments, int elementCount, const MemoryApi& memory) {
    const int last = std::min(elementCount, arguments.count());
    size_t length = 1;  // the final NUL
    for (int i = 2; i <= last; ++i) length += arguments[i].size() + kLineEnd.size();

    Utf16Text text{allocate_local<wchar_t>(length * sizeof(wchar_t), memory), length};
    if (!text.units) return {};
    wchar_t* next = text.units.get();
    for (int i = 2; i <= last; ++i) next = append_units(append_units(next, arguments[i]), kLineEnd);
    *next = L'\0';
    return text;
}

ExitStatus run(const wchar_t* platformCommandLine, const Platform& platform) {
    // Each step that needs memory of the program's own ends the run when it
    // gets none: nothing is placed and nothing is shown.
    const Utf16Text commandLine = capture_command_line(platformCommandLine, platform.memory);
    if (!commandLine.units) return kNotPlaced;
    int elementCount = 0;
    const SplitCopy arguments = split_command_line(commandLine, elementCount, platform.splitter, platform.memory);
    if (arguments.list.count() < elementCount) return kNotPlaced;  // no memory to copy the split
    if (elementCount < 2) {
        const bool shown = show_usage_notice(platform);
        // The splitter fails only for want of memory: the notice is shown as
        // for a line without arguments, but the run did not go right.
        return shown && !arguments.splitterFailed ? kCopiedOrUsageShown : kNotPlaced;
    }
    const Utf16Text text = build_clipboard_text(arguments.list, elementCount, platform.memory);
    if (!text.units) return kNotPlaced;
    // The placement clears the clipboard inside its own hold, just before it
    // hands the text over.
    return exit_status_for(place_clipboard_text(text.view(), platform.clipboard));
}

}  // namespace tarnwick
