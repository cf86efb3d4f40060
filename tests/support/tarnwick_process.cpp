#include "tarnwick_process.h"

#include <algorithm>
#include <stdexcept>

namespace tarnwick::testing {

std::wstring path_from_environment(const wchar_t* variable) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(variable, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("environment variable " + std::string(variable, variable + wcslen(variable)) +
                                 " does not hold a path");
    std::wstring path(buffer, length);
    if (path.front() == L'/') path.insert(0, L"Z:");
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring tarnwick_path() { return path_from_environment(L"TARNWICK_EXE"); }

StartedProcess start_process(const std::wstring& application, const std::wstring& commandLine,
                             DWORD creationFlags) {
    std::wstring writable = commandLine;  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(application.c_str(), writable.data(), nullptr, nullptr, FALSE, creationFlags,
                        nullptr, nullptr, &startup, &info))
        throw std::runtime_error("CreateProcessW failed: " + std::to_string(GetLastError()));
    return {unique_handle(info.hProcess), unique_handle(info.hThread), info.dwProcessId};
}

StartedProcess start_tarnwick(const std::wstring& commandLine, DWORD creationFlags) {
    return start_process(tarnwick_path(), commandLine, creationFlags);
}

void resume(const StartedProcess& started) { ResumeThread(started.thread.get()); }

std::optional<DWORD> wait_for_exit(const StartedProcess& started, DWORD timeoutMs) {
    if (WaitForSingleObject(started.process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(started.process.get(), 99);
        return std::nullopt;
    }
    DWORD status = 0;
    GetExitCodeProcess(started.process.get(), &status);
    return status;
}

namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_window(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window)) search.found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> windows_of(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(&collect_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace tarnwick::testing
