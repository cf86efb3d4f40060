#include "private_station.h"

#include <aclapi.h>

namespace tarnwick::testing {
namespace {

// What the self-test does at the station: use its clipboard, make a desktop,
// read the station's name and flags. (Registered clipboard formats and window
// classes live in the session's user atom table, not in the station's global
// atoms, which the self-test never uses.)
constexpr ACCESS_MASK kStationAccess = WINSTA_ACCESSCLIPBOARD | WINSTA_CREATEDESKTOP | WINSTA_READATTRIBUTES;
// What it does on its desktop: make its own windows, and find, read and press
// the windows of the programs it starts.
constexpr ACCESS_MASK kDesktopAccess = DESKTOP_CREATEWINDOW | DESKTOP_READOBJECTS | DESKTOP_WRITEOBJECTS;

// The entered station's desktop, for the threads that connect to it later.
HDESK privateDesktop = nullptr;
std::wstring privateDesktopName;

std::wstring name_of(HANDLE object) {
    wchar_t name[256]{};
    DWORD needed = 0;
    if (!GetUserObjectInformationW(object, UOI_NAME, name, sizeof name - sizeof(wchar_t), &needed)) return {};
    return name;
}

bool is_visible(HWINSTA station) {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    return GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed) &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}

// Makes, or opens where it exists, the station of this logon session. A new
// one gets the user's own station's access list, as a browser's sandbox does;
// without it Windows would let every user of the session in.
HWINSTA open_logon_sessions_station() {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    PSECURITY_DESCRIPTOR users = nullptr;
    const bool copied = GetSecurityInfo(GetProcessWindowStation(), SE_WINDOW_OBJECT, DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, nullptr, nullptr, &users) == ERROR_SUCCESS;
    if (copied) attributes.lpSecurityDescriptor = users;
    const HWINSTA station = CreateWindowStationW(nullptr, 0, kStationAccess, &attributes);
    const DWORD error = GetLastError();
    if (copied) LocalFree(users);
    SetLastError(error);
    return station;
}

}  // namespace

void EndTurnOnExit::operator()(HANDLE turn) const {
    ReleaseMutex(turn);
    CloseHandle(turn);
}

unique_turn take_turn_at_the_station(void (*waiting)()) {
    const HANDLE turn = CreateMutexW(nullptr, FALSE, L"Local\\TarnwickSelfTestAtTheStation");
    if (turn == nullptr) return nullptr;  // then nothing guards the turn, which only two self-tests at once need
    if (WaitForSingleObject(turn, 0) == WAIT_TIMEOUT) {
        waiting();
        WaitForSingleObject(turn, INFINITE);  // ends once the other one has, however it ended
    }
    return unique_turn(turn);
}

Whereabouts where_this_thread_is() {
    const HWINSTA station = GetProcessWindowStation();
    return {name_of(station), is_visible(station), name_of(GetThreadDesktop(GetCurrentThreadId()))};
}

PrivateStation::PrivateStation()
    : before_(where_this_thread_is()),
      userStation_(GetProcessWindowStation()),
      userDesktop_(GetThreadDesktop(GetCurrentThreadId())) {
    station_ = open_logon_sessions_station();
    const std::wstring stationName = station_ != nullptr ? name_of(station_) : L"";
    if (stationName.empty() || !SetProcessWindowStation(station_)) {
        error_ = GetLastError();
        return;
    }
    // A desktop is made in the process's station, so only once it is there.
    const std::wstring desktopName = L"TarnwickSelfTest-" + std::to_wstring(GetCurrentProcessId());
    desktop_ = CreateDesktopW(desktopName.c_str(), nullptr, nullptr, 0, kDesktopAccess, nullptr);
    if (desktop_ == nullptr || !SetThreadDesktop(desktop_)) {
        error_ = GetLastError();
        SetProcessWindowStation(userStation_);
        return;
    }
    privateDesktop = desktop_;
    privateDesktopName = stationName + L"\\" + desktopName;
    made_ = where_this_thread_is();
    entered_ = true;
}

DWORD PrivateStation::leave() {
    if (!entered_) return ERROR_SUCCESS;
    entered_ = false;
    privateDesktop = nullptr;
    privateDesktopName.clear();
    if (!SetProcessWindowStation(userStation_) || !SetThreadDesktop(userDesktop_)) return GetLastError();
    return ERROR_SUCCESS;
}

PrivateStation::~PrivateStation() {
    leave();
    if (desktop_ != nullptr) CloseDesktop(desktop_);
    if (station_ != nullptr) CloseWindowStation(station_);
}

const std::wstring& private_desktop_name() { return privateDesktopName; }

bool use_private_desktop_on_this_thread() {
    return privateDesktop == nullptr || SetThreadDesktop(privateDesktop);
}

}  // namespace tarnwick::testing
