#include "run/run.h"

#include <algorithm>

#include "run/usage_notice.h"

namespace tarnwick {
namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";
constexpr size_t kLineEndLength = 2;

ExitStatus exit_status_for(ClipboardOutcome outcome) {
    switch (outcome) {
        case ClipboardOutcome::Done: return kCopiedOrUsageShown;
        case ClipboardOutcome::Busy: return kClipboardBusy;
        case ClipboardOutcome::Refused: break;
    }
    return kNotPlaced;
}

ExitStatus copy_to_clipboard(const std::wstring& text, const ClipboardApi& api) {
    const ClipboardOutcome cleared = clear_clipboard(api);
    if (cleared != ClipboardOutcome::Done) return exit_status_for(cleared);
    return exit_status_for(place_clipboard_text(text, api));
}

void show_usage_notice(const Platform& platform) {
    platform.messageBoxW(nullptr, usage_notice::kPrompt, usage_notice::kTitle, usage_notice::kStyle);
}

}  // namespace

Platform system_platform() {
    return {system_splitter_api(), system_clipboard_api(), &MessageBoxW};
}

std::wstring build_clipboard_text(const ArgumentList& arguments, int elementCount) {
    const size_t last = std::min(static_cast<size_t>(std::max(elementCount, 0)), arguments.size());
    size_t length = 1;  // the final NUL
    for (size_t i = 1; i < last; ++i) length += arguments[i].size() + kLineEndLength;

    std::wstring text;
    text.reserve(length);
    for (size_t i = 1; i < last; ++i) text.append(arguments[i]).append(kLineEnd, kLineEndLength);
    text.push_back(L'\0');
    return text;
}

ExitStatus run(const wchar_t* platformCommandLine, const Platform& platform) {
    const std::wstring commandLine = capture_command_line(platformCommandLine);
    int elementCount = 0;
    const ArgumentList arguments = split_command_line(commandLine, elementCount, platform.splitter);
    if (elementCount < 2) {
        show_usage_notice(platform);
        return kCopiedOrUsageShown;
    }
    return copy_to_clipboard(build_clipboard_text(arguments, elementCount), platform.clipboard);
}

}  // namespace tarnwick
