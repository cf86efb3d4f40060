#include "process_output.h"

#include <stdexcept>
#include <thread>

#include "tarnwick_process.h"

namespace tarnwick::testing {

Finished run_collecting_output(const std::wstring& application, const std::wstring& commandLine,
                               DWORD timeoutMs, const std::wstring& folder, DWORD creationFlags) {
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
    const StartedProcess started = start_with(application, commandLine, creationFlags, startup, TRUE, folder);
    inputEnd.reset();  // the child holds the only writing end now: reading ends when the child does

    Finished finished;
    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(reading, buffer, sizeof buffer, &got, nullptr) && got > 0) finished.output.append(buffer, got);
    });
    finished.status = wait_for_exit(started, timeoutMs);
    finished.tookMs = GetTickCount64() - started.letGoAt;
    reader.join();
    return finished;
}

}  // namespace tarnwick::testing
