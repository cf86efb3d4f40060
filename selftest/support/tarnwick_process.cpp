#include "tarnwick_process.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cwchar>
#include <iterator>

#include "private_station.h"
#include "process_output.h"
#include "utf8.h"

namespace tarnwick::testing {

namespace {

std::wstring chosenTarnwick;
std::atomic<DWORD> startsMade = 0;

// Ends a process that is still running.
void end_if_running(HANDLE process) {
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 10'000);
    }
}

std::wstring own_folder() {
    const std::wstring program = own_path();
    return program.substr(0, program.find_last_of(L'\\') + 1);
}

// The job every started process runs in. Its one handle is this process's and
// is never inherited: when the self-test ends (a crash, Ctrl+C, its console
// closed, the task ended), Windows closes it and ends every process in the
// job, so that no tarnwick.exe, and no notice of one, waits on a desktop
// nobody can see. Made at the first start; throws when Windows refuses it.
HANDLE the_job() {
    static const unique_handle job = [] {
        unique_handle made(CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!made || !SetInformationJobObject(made.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
            throw std::runtime_error("Windows would not make a job object to end the programs the self-test starts "
                                     "(error " + std::to_string(GetLastError()) + ")");
        return made;
    }();
    return job.get();
}

void put_in_the_job(const PROCESS_INFORMATION& info, const std::wstring& application) {
    if (AssignProcessToJobObject(the_job(), info.hProcess)) return;
    const DWORD error = GetLastError();
    TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    // Before Windows 8 a process could be in one job only.
    throw std::runtime_error(to_utf8(L"Windows would not put " + application + L" in the self-test's job (error " +
                                     std::to_wstring(error) + L"), which ends it should the self-test end first"));
}

}  // namespace

DWORD longest_run_ms() {
    static const DWORD deadline = [] {
        wchar_t seconds[16];
        const DWORD length = GetEnvironmentVariableW(L"TARNWICK_RUN_DEADLINE_S", seconds, std::size(seconds));
        const unsigned long given = length > 0 && length < std::size(seconds) ? std::wcstoul(seconds, nullptr, 10) : 0;
        return given > 0 ? static_cast<DWORD>(given * 1000) : DWORD{120'000};
    }();
    return deadline;
}

std::string did_not_end() {
    return "tarnwick.exe did not end within " + std::to_string(longest_run_ms() / 1000) + " s, so the check ended it";
}

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
    const DWORD size = GetEnvironmentVariableW(variable, nullptr, 0);  // with the NUL
    std::wstring value(size, L'\0');
    if (size == 0 || GetEnvironmentVariableW(variable, value.data(), size) != size - 1)
        throw std::runtime_error("environment variable " + to_utf8(variable) + " does not hold a path");
    value.pop_back();
    return windows_path(value);
}

// GetModuleFileNameW cuts a long path short without saying how long it is, so
// the buffer grows until it fits.
std::wstring own_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) return path.substr(0, length);
        path.resize(2 * path.size());
    }
}

std::wstring tarnwick_path() {
    if (!chosenTarnwick.empty()) return chosenTarnwick;
    if (GetEnvironmentVariableW(L"TARNWICK_EXE", nullptr, 0) != 0) return path_from_environment(L"TARNWICK_EXE");
    return own_folder() + L"tarnwick.exe";
}

void use_tarnwick_at(const std::wstring& path) { chosenTarnwick = windows_path(path); }

namespace {

// Windows's errors for a file its antivirus blocked; MinGW's headers lack them.
constexpr DWORD kErrorVirusInfected = 225, kErrorVirusDeleted = 226;

std::wstring system_message(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return message;
}

}  // namespace

std::wstring why_not_started(const std::wstring& application, DWORD error) {
    const std::wstring windows = L"Windows would not start " + application + L" (error " + std::to_wstring(error);
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILENAME_EXCED_RANGE:
            if (application.size() >= MAX_PATH)
                return windows + L"): its path is longer than the " + std::to_wstring(MAX_PATH - 1) +
                       L" characters Windows starts programs from. Move the folder to a shorter path.";
            return windows + L"): it is not there. Has your antivirus removed it?";
        case kErrorVirusInfected:
        case kErrorVirusDeleted:
            return windows + L", it reports a virus or unwanted software): most likely your antivirus blocked it. "
                             L"Check its quarantine, and allow the file if you trust it.";
        case ERROR_ACCESS_DENIED:
            return windows + L", access is denied): most likely your antivirus, Smart App Control or a policy of "
                             L"your organisation blocked it.";
        case ERROR_BAD_EXE_FORMAT:
            return windows + L", not a program it can run): the file may be damaged, or it is the x64 build on "
                             L"32-bit Windows. Download it again, or use the x86 build.";
        default:
            return windows + L"): " + system_message(error);
    }
}

namespace {

// Creates the process suspended and puts it in the job.
StartedProcess create_in_the_job(const std::wstring& application, const std::wstring& commandLine,
                                 DWORD creationFlags, STARTUPINFOW& startup, BOOL inheritHandles,
                                 const std::wstring& folder) {
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Wine now and then fails to start a process with ERROR_INTERNAL_ERROR
    // (once in about 2,000 starts here, never twice in a row), so that error
    // gets a second try. Where it is real, as for 32-bit programs Wine cannot
    // run, it comes again.
    for (int attempt = 1;; ++attempt) {
        std::wstring writable = commandLine;  // CreateProcessW may write into it
        if (CreateProcessW(application.c_str(), writable.data(), nullptr, nullptr, inheritHandles,
                           creationFlags | CREATE_SUSPENDED, nullptr, folder.empty() ? nullptr : folder.c_str(),
                           &startup, &info))
            break;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 2)
            throw std::runtime_error(to_utf8(why_not_started(application, error)));
    }
    put_in_the_job(info, application);
    ++startsMade;
    return {unique_process(info.hProcess), unique_handle(info.hThread), info.dwProcessId};
}

}  // namespace

StartedProcess start_with(const std::wstring& application, const std::wstring& commandLine, DWORD creationFlags,
                          STARTUPINFOW& startup, BOOL inheritHandles, const std::wstring& folder) {
    prove_the_private_station();
    // Started on the self-test's own desktop, a program uses its clipboard.
    std::wstring desktop = private_desktop_name();
    if (!desktop.empty()) startup.lpDesktop = desktop.data();
    StartedProcess started = create_in_the_job(application, commandLine, creationFlags, startup, inheritHandles, folder);
    if ((creationFlags & CREATE_SUSPENDED) == 0) let_go(started);
    return started;
}

StartedProcess start_process(const std::wstring& application, const std::wstring& commandLine, DWORD creationFlags,
                             const std::wstring& folder) {
    STARTUPINFOW startup{};
    return start_with(application, commandLine, creationFlags, startup, FALSE, folder);
}

std::optional<std::wstring> cannot_start(const std::wstring& application) {
    try {
        // Never let go, so on no desktop and needing no proof; ended by its owner.
        STARTUPINFOW startup{};
        create_in_the_job(application, L"tarnwick.exe", CREATE_SUSPENDED, startup, FALSE, {});
        return std::nullopt;
    } catch (const std::runtime_error& refused) {
        return from_utf8(refused.what());
    }
}

StartedProcess start_tarnwick(const std::wstring& commandLine, DWORD creationFlags, const std::wstring& folder) {
    return start_process(tarnwick_path(), commandLine, creationFlags, folder);
}

void let_go(StartedProcess& started) {
    started.letGoAt = GetTickCount64();
    ResumeThread(started.thread.get());
}

DWORD processes_run_in_the_job() {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!QueryInformationJobObject(the_job(), JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                   nullptr))
        throw std::runtime_error("Windows would not say how many processes ran in the self-test's job (error " +
                                 std::to_string(GetLastError()) + ")");
    return accounting.TotalProcesses;
}

DWORD processes_started() { return startsMade; }

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

BOOL CALLBACK collect_visible_window(HWND window, LPARAM found) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> visible_windows() {
    std::vector<HWND> found;
    EnumWindows(&collect_visible_window, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> windows_of(DWORD processId) {
    std::vector<HWND> found = visible_windows();
    std::erase_if(found, [processId](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner != processId;
    });
    return found;
}

namespace {

ULONGLONG fastestReferenceMs = ULLONG_MAX;
std::wstring provenStation;  // the private desktop the start path was proven to reach
bool proving = false;

}  // namespace

ReferenceStart read_station_report(const std::wstring& report) {
    ReferenceStart reference;
    const size_t lineEnd = report.find(L'\n');
    reference.landedOn = report.substr(0, lineEnd);
    if (lineEnd != std::wstring::npos) reference.askedFor = report.substr(lineEnd + 1, report.find(L'\n', lineEnd + 1) - lineEnd - 1);
    return reference;
}

std::optional<std::string> not_on_the_private_desktop(const ReferenceStart& reference, const std::wstring& expected) {
    if (reference.landedOn != expected)
        return to_utf8(L"a program the self-test started landed on \"" + reference.landedOn +
                       L"\", not on the self-test's own \"" + expected + L"\"");
    if (reference.askedFor != expected)
        return to_utf8(L"a program the self-test started was asked for the desktop \"" + reference.askedFor +
                       L"\", not for the self-test's own \"" + expected + L"\"");
    return std::nullopt;
}

ReferenceStart start_reference() {
    // Without a console of its own, writing only to the pipe.
    const Finished finished = run_collecting_output(own_path(), L"tarnwick-selftest.exe " + std::wstring(kReportStation),
                                                    longest_run_ms(), {}, DETACHED_PROCESS);
    if (!finished.status) throw std::runtime_error("the self-test, started to report its station, did not end");
    ReferenceStart reference = read_station_report(from_utf8(finished.output));
    reference.tookMs = finished.tookMs;
    fastestReferenceMs = std::min(fastestReferenceMs, reference.tookMs);
    const std::wstring& expected = private_desktop_name();
    if (expected.empty()) return reference;
    if (const auto problem = not_on_the_private_desktop(reference, expected)) throw NotOnThePrivateStation(*problem);
    return reference;
}

ULONGLONG fastest_reference_ms() {
    if (fastestReferenceMs == ULLONG_MAX) start_reference();
    return fastestReferenceMs;
}

void prove_the_private_station() {
    if (proving || private_desktop_name().empty() || provenStation == private_desktop_name()) return;
    proving = true;
    try {
        start_reference();
    } catch (...) {
        proving = false;
        throw;
    }
    proving = false;
    provenStation = private_desktop_name();
}

}  // namespace tarnwick::testing
