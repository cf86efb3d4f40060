// A window station and desktop that the self-test works in. Every window
// station has a clipboard of its own, so the checks, the holders and
// listeners they use and every tarnwick.exe they start work on a clipboard no
// program on the user's desktop can reach: clipboard history, clipboard
// managers and Remote Desktop neither sway a verdict nor see a single text,
// and the user's own clipboard is never opened. A noninteractive station
// cannot display anything, so the usage notice never shows on the screen.
//
// Windows lets only administrators name a new station; one made without a
// name is named for the logon session, so every process of the session that
// asks for one gets the same station. The self-test therefore makes a desktop
// of its own in it, and self-tests of one session take turns.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace tarnwick::testing {

// A turn at the station: a mutex this thread owns, given back when it goes.
struct EndTurnOnExit {
    void operator()(HANDLE turn) const;
};
using unique_turn = std::unique_ptr<void, EndTurnOnExit>;

// Waits until no other self-test of this logon session is at the station,
// calling `waiting` first when one is.
unique_turn take_turn_at_the_station(void (*waiting)());

// Where a process is: its window station, whether that station is the one
// that can show anything (Windows' WSF_VISIBLE), and the calling thread's
// desktop.
struct Whereabouts {
    std::wstring station;
    bool visible = false;
    std::wstring desktop;

    std::wstring full_name() const { return station + L"\\" + desktop; }
};
Whereabouts where_this_thread_is();

// Opens the logon session's station (making it, where there is none, with
// the security of the user's own station) and a desktop in it named for this
// process, and moves the process and the calling thread there; the calling
// thread must not have made a window yet. Windows may refuse (a policy, a
// restricted token): then entered() is false and error() says why. leave()
// goes back to where the process was; the destructor leaves if leave() was not
// called.
class PrivateStation {
public:
    PrivateStation();
    ~PrivateStation();
    PrivateStation(const PrivateStation&) = delete;
    PrivateStation& operator=(const PrivateStation&) = delete;

    bool entered() const { return entered_; }
    DWORD error() const { return error_; }
    // Where the process was before, and where it is now.
    const Whereabouts& left_behind() const { return before_; }
    const Whereabouts& made() const { return made_; }

    // Back to the user's station, then to the user's desktop, in the order
    // Windows requires (a thread's desktop must be on its process's station);
    // ERROR_SUCCESS, or the first error.
    DWORD leave();

private:
    bool entered_ = false;
    DWORD error_ = ERROR_SUCCESS;
    Whereabouts before_;
    Whereabouts made_;
    HWINSTA userStation_ = nullptr;
    HDESK userDesktop_ = nullptr;
    HWINSTA station_ = nullptr;
    HDESK desktop_ = nullptr;
};

// "station\desktop" for STARTUPINFOW.lpDesktop while a PrivateStation is
// entered, so that a started program connects to it; empty otherwise.
const std::wstring& private_desktop_name();

// Connects the calling thread to the private desktop, if one is entered. A
// thread that does not do so connects, at its first window, to the desktop
// the process inherited, which is on the user's station; so every thread
// that makes a window calls this first, and fails its work when it returns
// false.
bool use_private_desktop_on_this_thread();

}  // namespace tarnwick::testing
