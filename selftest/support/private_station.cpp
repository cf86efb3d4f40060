#include "private_station.h"

namespace tarnwick::testing {
namespace {

constexpr wchar_t kDesktop[] = L"checks";

// The entered station's desktop, for the threads that connect to it later.
HDESK privateDesktop = nullptr;
std::wstring privateDesktopName;

std::wstring station_name() { return L"TarnwickSelfTest-" + std::to_wstring(GetCurrentProcessId()); }

}  // namespace

PrivateStation::PrivateStation()
    : userStation_(GetProcessWindowStation()), userDesktop_(GetThreadDesktop(GetCurrentThreadId())) {
    const std::wstring name = station_name();
    station_ = CreateWindowStationW(name.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
    if (station_ == nullptr || !SetProcessWindowStation(station_)) {
        error_ = GetLastError();
        return;
    }
    // A desktop is made in the process's station, so only once it is there.
    desktop_ = CreateDesktopW(kDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop_ == nullptr || !SetThreadDesktop(desktop_)) {
        error_ = GetLastError();
        SetProcessWindowStation(userStation_);
        return;
    }
    privateDesktop = desktop_;
    privateDesktopName = name + L"\\" + kDesktop;
}

PrivateStation::~PrivateStation() {
    if (entered()) {
        privateDesktop = nullptr;
        privateDesktopName.clear();
        SetThreadDesktop(userDesktop_);
        SetProcessWindowStation(userStation_);
    }
    if (desktop_ != nullptr) CloseDesktop(desktop_);
    if (station_ != nullptr) CloseWindowStation(station_);
}

const std::wstring& private_desktop_name() { return privateDesktopName; }

void use_private_desktop_on_this_thread() {
    if (privateDesktop != nullptr) SetThreadDesktop(privateDesktop);
}

}  // namespace tarnwick::testing
