#include "tarnwick_process.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace tarnwick::testing {

namespace {

std::wstring chosenTarnwick;


// Ends a process that is still running.
void end_if_running(HANDLE process) {
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 10'000);
    }
}

std::wstring own_folder() {
    wchar_t path[MAX_PATH];
    const std::wstring program(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return program.substr(0, program.find_last_of(L'\\') + 1);
}

}  // namespace

void EndProcessOnExit::operator()(HANDLE process) const {
    end_if_running(process);
    CloseHandle(process);
}

std::wstring windows_path(std::wstring path) {
    if (!path.empty() && path.front() == L'/') path.insert(0, L"Z:");
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

std::wstring path_from_environment(const wchar_t* variable) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(variable, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("environment variable " + std::string(variable, variable + wcslen(variable)) +
                                 " does not hold a path");
    return windows_path(std::wstring(buffer, length));
}

std::wstring tarnwick_path() {
    if (!chosenTarnwick.empty()) return chosenTarnwick;
    if (GetEnvironmentVariableW(L"TARNWICK_EXE", nullptr, 0) != 0) return path_from_environment(L"TARNWICK_EXE");
    return own_folder() + L"tarnwick.exe";
}

void use_tarnwick_at(const std::wstring& path) { chosenTarnwick = windows_path(path); }

namespace {

StartedProcess start_with(const std::wstring& application, const std::wstring& commandLine, DWORD creationFlags,
                          STARTUPINFOW& startup, BOOL inheritHandles) {
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Wine now and then fails to start a process with ERROR_INTERNAL_ERROR
    // (once in about 2,000 starts here, never twice in a row), so that error
    // gets a second try. Where it is real, as for 32-bit programs Wine cannot
    // run, it comes again.
    for (int attempt = 1;; ++attempt) {
        std::wstring writable = commandLine;  // CreateProcessW may write into it
        if (CreateProcessW(application.c_str(), writable.data(), nullptr, nullptr, inheritHandles, creationFlags,
                           nullptr, nullptr, &startup, &info))
            return {unique_process(info.hProcess), unique_handle(info.hThread), info.dwProcessId};
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 2)
            throw std::runtime_error("CreateProcessW failed: " + std::to_string(error));
    }
}

}  // namespace

StartedProcess start_process(const std::wstring& application, const std::wstring& commandLine,
                             DWORD creationFlags) {
    STARTUPINFOW startup{};
    return start_with(application, commandLine, creationFlags, startup, FALSE);
}

StartedProcess start_tarnwick(const std::wstring& commandLine, DWORD creationFlags) {
    return start_process(tarnwick_path(), commandLine, creationFlags);
}

void resume(const StartedProcess& started) { ResumeThread(started.thread.get()); }

std::optional<DWORD> wait_for_exit(const StartedProcess& started, DWORD timeoutMs) {
    if (WaitForSingleObject(started.process.get(), timeoutMs) != WAIT_OBJECT_0) {
        end_if_running(started.process.get());
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

Finished run_collecting_output(const std::wstring& application, const std::wstring& commandLine,
                               DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE reading = nullptr, writing = nullptr;
    if (!CreatePipe(&reading, &writing, &inheritable, 0))
        throw std::runtime_error("CreatePipe failed: " + std::to_string(GetLastError()));
    const unique_handle outputEnd(reading);
    unique_handle inputEnd(writing);
    SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
    const unique_handle nothing(
        CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0, nullptr));

    STARTUPINFOW startup{};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.get();
    startup.hStdOutput = startup.hStdError = writing;
    const StartedProcess started = start_with(application, commandLine, 0, startup, TRUE);
    inputEnd.reset();  // the child holds the only writing end now: reading ends when the child does

    Finished finished;
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(reading, buffer, sizeof buffer, &got, nullptr) && got > 0) finished.output.append(buffer, got);
    });
    finished.status = wait_for_exit(started, timeoutMs);
    reader.join();
    return finished;
}

}  // namespace tarnwick::testing
