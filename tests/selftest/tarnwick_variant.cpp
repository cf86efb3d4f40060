// tarnwick.exe with one platform call replaced, to show what the self-test
// catches and what it must let pass. Each build names its variant in
// TARNWICK_VARIANT:
//   busy_a_third_of_runs     says the clipboard is busy, without opening it, on
//                            about one run in three, chosen at random
//   waits_half_a_second      waits up to half a second for a busy clipboard
//   never_returns            waits for the clipboard forever: the run never ends
//   keeps_clipboard_open     keeps the clipboard open half a second after placing
//   trims_arguments          drops blanks and tabs from both ends of each argument
//   leaves_earlier_content   does not empty the clipboard before placing its text,
//                            so what other programs placed there stays beside it
//   empties_in_a_hold_of_its_own  empties the clipboard, closes it and opens it
//                            again to place its text: two holds, and a listener
//                            woken between them finds the clipboard empty
//   notice_with_two_buttons  shows its notice with OK and Cancel
//   notice_with_cancel_id    shows its notice as a dialog whose one button, "OK",
//                            has the ID IDCANCEL, and which ends only on a command
//                            with that ID (not a fault: which ID Windows gives the
//                            button of an OK-only message box is not known)
// Everything else is the real program's code.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <vector>

#include "run/run.h"

namespace {

constexpr DWORD kHalfASecondMs = 500;

BOOL WINAPI open_busy_a_third_of_the_time(HWND owner) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart % 3 == 0 ? FALSE : OpenClipboard(owner);
}

BOOL WINAPI open_waiting_half_a_second(HWND owner) {
    const ULONGLONG startedAt = GetTickCount64();
    while (!OpenClipboard(owner)) {
        if (GetTickCount64() - startedAt >= kHalfASecondMs) return FALSE;
        Sleep(10);
    }
    return TRUE;
}

BOOL WINAPI open_never_returning(HWND) {
    for (;;) Sleep(INFINITE);
}

BOOL WINAPI close_half_a_second_late() {
    Sleep(kHalfASecondMs);
    return CloseClipboard();
}

bool is_blank(wchar_t unit) { return unit == L' ' || unit == L'\t'; }

LPWSTR* WINAPI split_and_trim(LPCWSTR line, int* count) {
    LPWSTR* elements = CommandLineToArgvW(line, count);
    for (int i = 1; elements != nullptr && i < *count; ++i) {
        while (is_blank(*elements[i])) ++elements[i];
        for (size_t length = std::wcslen(elements[i]); length > 0 && is_blank(elements[i][length - 1]); --length)
            elements[i][length - 1] = L'\0';
    }
    return elements;
}

int WINAPI show_with_two_buttons(HWND owner, LPCWSTR text, LPCWSTR title, UINT) {
    return MessageBoxW(owner, text, title, MB_OKCANCEL);
}

// An in-memory dialog template: the words of DLGTEMPLATE and DLGITEMTEMPLATE.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* title, short width, short height) {
        add_dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
        add_dword(0);
        countAt_ = words_.size();
        words_.insert(words_.end(), {0, 0, 0, static_cast<WORD>(width), static_cast<WORD>(height), 0, 0});
        add_text(title);
        words_.push_back(8);
        add_text(L"MS Shell Dlg");
    }

    // A control of a predefined class (0x0080 button, 0x0082 static).
    void add_control(WORD windowClass, WORD id, DWORD style, short x, short y, short width, short height,
                     const wchar_t* text) {
        if (words_.size() % 2 != 0) words_.push_back(0);  // each item starts on a DWORD
        add_dword(WS_CHILD | WS_VISIBLE | style);
        add_dword(0);
        words_.insert(words_.end(), {static_cast<WORD>(x), static_cast<WORD>(y), static_cast<WORD>(width),
                                     static_cast<WORD>(height), id, 0xFFFF, windowClass});
        add_text(text);
        words_.push_back(0);  // no creation data
        ++words_[countAt_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void add_dword(DWORD value) { words_.insert(words_.end(), {LOWORD(value), HIWORD(value)}); }
    void add_text(const wchar_t* text) {
        do words_.push_back(static_cast<WORD>(*text));
        while (*text++ != L'\0');
    }

    std::vector<WORD> words_;
    size_t countAt_ = 0;
};

INT_PTR CALLBACK ends_only_on_cancel_id(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDOK);  // MessageBoxW reports an OK-only box's button as IDOK
        return TRUE;
    }
    return FALSE;
}

// An OK-only notice drawn as a dialog: the text in a static with the ID
// 0xFFFF, as Windows puts a message box's text, and one push button reading
// "OK" whose ID is IDCANCEL.
int WINAPI show_with_cancel_id(HWND owner, LPCWSTR text, LPCWSTR title, UINT) {
    DialogTemplate notice(title, 220, 62);
    notice.add_control(0x0082, 0xFFFF, SS_LEFT | SS_NOPREFIX, 10, 10, 200, 20, text);
    notice.add_control(0x0080, IDCANCEL, WS_TABSTOP | BS_DEFPUSHBUTTON, 160, 40, 50, 14, L"OK");
    return static_cast<int>(
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), notice.get(), owner, &ends_only_on_cancel_id, 0));
}

BOOL WINAPI pretend_to_empty() { return TRUE; }

BOOL WINAPI empty_and_open_again() { return EmptyClipboard() && CloseClipboard() && OpenClipboard(nullptr); }

// Each variant puts its call in place of the platform's.
using tarnwick::Platform;
[[maybe_unused]] void busy_a_third_of_runs(Platform& p) { p.clipboard.openClipboard = &open_busy_a_third_of_the_time; }
[[maybe_unused]] void waits_half_a_second(Platform& p) { p.clipboard.openClipboard = &open_waiting_half_a_second; }
[[maybe_unused]] void never_returns(Platform& p) { p.clipboard.openClipboard = &open_never_returning; }
[[maybe_unused]] void keeps_clipboard_open(Platform& p) { p.clipboard.closeClipboard = &close_half_a_second_late; }
[[maybe_unused]] void trims_arguments(Platform& p) { p.splitter.commandLineToArgvW = &split_and_trim; }
[[maybe_unused]] void leaves_earlier_content(Platform& p) { p.clipboard.emptyClipboard = &pretend_to_empty; }
[[maybe_unused]] void empties_in_a_hold_of_its_own(Platform& p) { p.clipboard.emptyClipboard = &empty_and_open_again; }
[[maybe_unused]] void notice_with_two_buttons(Platform& p) { p.messageBoxW = &show_with_two_buttons; }
[[maybe_unused]] void notice_with_cancel_id(Platform& p) { p.messageBoxW = &show_with_cancel_id; }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tarnwick::Platform platform = tarnwick::system_platform();
    TARNWICK_VARIANT(platform);
    return tarnwick::run(GetCommandLineW(), platform);
}
