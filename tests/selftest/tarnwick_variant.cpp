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
// Arguments treated in a way of its own:
//   help_on_switch           shows its notice, not the copy, when an argument is
//                            /?, -?, -h, /h or --help
//   drops_empty_arguments    leaves empty arguments out
//   expands_variables        expands %NAME% in each argument
//   expands_wildcards        replaces an argument with * or ? by the names of the
//                            files it matches, as a C runtime that globs does
//   cuts_at_max_path         cuts each argument to MAX_PATH - 1 units
// Something besides the copy, after it:
//   shows_a_window           shows a window for a moment
//   runs_a_console_command   runs cmd.exe /c exit, a console flash on Windows
//   writes_a_log_file        writes tarnwick.log into the folder it started in
//   writes_beside_itself     writes tarnwick.ini beside its own executable
//   places_utf8_as_ansi_text places its text as UTF-8 bytes in CF_TEXT too
//   lingers                  stays three seconds after its work is done
//   waits_inside_its_hold    opens the clipboard without a window and waits half
//                            a second before it empties it
// Everything else is the real program's code.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
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

// The elements as CommandLineToArgvW gives them: one LocalAlloc block, the
// pointers first, which the program frees with LocalFree.
LPWSTR* as_elements(const std::vector<std::wstring>& elements, int* count) {
    size_t bytes = elements.size() * sizeof(LPWSTR);
    for (const std::wstring& element : elements) bytes += (element.size() + 1) * sizeof(wchar_t);
    auto* pointers = static_cast<LPWSTR*>(LocalAlloc(LMEM_FIXED, bytes));
    if (pointers == nullptr) return nullptr;
    auto* next = reinterpret_cast<wchar_t*>(pointers + elements.size());
    for (size_t i = 0; i < elements.size(); ++i) {
        pointers[i] = next;
        next = std::copy(elements[i].begin(), elements[i].end(), next);
        *next++ = L'\0';
    }
    *count = static_cast<int>(elements.size());
    return pointers;
}

// Splits as the system does, then hands each argument (not the program's
// name) to `change`, which may turn it into any number of arguments.
template <class Change>
LPWSTR* split_and_change(LPCWSTR line, int* count, Change change) {
    LPWSTR* split = CommandLineToArgvW(line, count);
    if (split == nullptr) return nullptr;
    std::vector<std::wstring> elements{split[0]};
    for (int i = 1; i < *count; ++i) change(std::wstring(split[i]), elements);
    LocalFree(split);
    return as_elements(elements, count);
}

bool is_help_switch(const wchar_t* argument) {
    for (const wchar_t* word : {L"/?", L"-?", L"-h", L"/h", L"--help"})
        if (_wcsicmp(argument, word) == 0) return true;
    return false;
}

LPWSTR* WINAPI split_minding_help(LPCWSTR line, int* count) {
    LPWSTR* elements = CommandLineToArgvW(line, count);
    for (int i = 1; elements != nullptr && i < *count; ++i)
        if (is_help_switch(elements[i])) *count = 1;  // as if there were no arguments: the notice
    return elements;
}

LPWSTR* WINAPI split_dropping_empties(LPCWSTR line, int* count) {
    return split_and_change(line, count, [](std::wstring argument, std::vector<std::wstring>& into) {
        if (!argument.empty()) into.push_back(std::move(argument));
    });
}

LPWSTR* WINAPI split_expanding_variables(LPCWSTR line, int* count) {
    return split_and_change(line, count, [](std::wstring argument, std::vector<std::wstring>& into) {
        std::wstring expanded(ExpandEnvironmentStringsW(argument.c_str(), nullptr, 0), L'\0');
        ExpandEnvironmentStringsW(argument.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        expanded.resize(std::wcslen(expanded.c_str()));
        into.push_back(expanded);
    });
}

LPWSTR* WINAPI split_expanding_wildcards(LPCWSTR line, int* count) {
    return split_and_change(line, count, [](std::wstring argument, std::vector<std::wstring>& into) {
        std::vector<std::wstring> matches;
        WIN32_FIND_DATAW found;
        const HANDLE search = argument.find_first_of(L"*?") == std::wstring::npos
                                  ? INVALID_HANDLE_VALUE
                                  : FindFirstFileW(argument.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (std::wcscmp(found.cFileName, L".") != 0 && std::wcscmp(found.cFileName, L"..") != 0)
                    matches.push_back(found.cFileName);
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        std::sort(matches.begin(), matches.end());
        if (matches.empty()) matches.push_back(std::move(argument));
        into.insert(into.end(), matches.begin(), matches.end());
    });
}

LPWSTR* WINAPI split_cutting_at_max_path(LPCWSTR line, int* count) {
    return split_and_change(line, count, [](std::wstring argument, std::vector<std::wstring>& into) {
        into.push_back(argument.substr(0, MAX_PATH - 1));
    });
}

HANDLE WINAPI set_with_utf8_ansi_text(UINT format, HANDLE data) {
    if (format == CF_UNICODETEXT) {
        const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (const HGLOBAL utf8 = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(bytes))) {
            WideCharToMultiByte(CP_UTF8, 0, text, -1, static_cast<char*>(GlobalLock(utf8)), bytes, nullptr, nullptr);
            GlobalUnlock(utf8);
            SetClipboardData(CF_TEXT, utf8);
        }
        GlobalUnlock(data);
    }
    return SetClipboardData(format, data);
}

BOOL WINAPI open_and_wait_half_a_second(HWND owner) {
    const BOOL opened = OpenClipboard(owner);
    Sleep(kHalfASecondMs);
    return opened;
}

BOOL WINAPI pretend_to_empty() { return TRUE; }

BOOL WINAPI empty_and_open_again() { return EmptyClipboard() && CloseClipboard() && OpenClipboard(nullptr); }

// What the variants whose fault comes after the run do then.
[[maybe_unused]] void show_a_window() {
    const HWND window = CreateWindowExW(0, L"STATIC", L"Tarnwick", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    Sleep(300);
    DestroyWindow(window);
}
[[maybe_unused]] void run_a_console_command() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    wchar_t command[] = L"cmd.exe /c exit 0";
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) return;
    WaitForSingleObject(started.hProcess, 5'000);
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
}
[[maybe_unused]] void write_file(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    DWORD written = 0;
    WriteFile(file, "copied\r\n", 8, &written, nullptr);
    CloseHandle(file);
}
[[maybe_unused]] void write_a_log_file() { write_file(L"tarnwick.log"); }
[[maybe_unused]] void write_beside_itself() {
    wchar_t own[MAX_PATH]{};
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path = own;
    write_file(path.substr(0, path.find_last_of(L'\\') + 1) + L"tarnwick.ini");
}
[[maybe_unused]] void linger() { Sleep(3'000); }

// Each variant puts its call in place of the platform's, and names what it
// does after the run, where that is its fault.
using tarnwick::Platform;
using After = void (*)();
[[maybe_unused]] After busy_a_third_of_runs(Platform& p) {
    p.clipboard.openClipboard = &open_busy_a_third_of_the_time;
    return nullptr;
}
[[maybe_unused]] After waits_half_a_second(Platform& p) {
    p.clipboard.openClipboard = &open_waiting_half_a_second;
    return nullptr;
}
[[maybe_unused]] After never_returns(Platform& p) {
    p.clipboard.openClipboard = &open_never_returning;
    return nullptr;
}
[[maybe_unused]] After keeps_clipboard_open(Platform& p) {
    p.clipboard.closeClipboard = &close_half_a_second_late;
    return nullptr;
}
[[maybe_unused]] After trims_arguments(Platform& p) {
    p.splitter.commandLineToArgvW = &split_and_trim;
    return nullptr;
}
[[maybe_unused]] After leaves_earlier_content(Platform& p) {
    p.clipboard.emptyClipboard = &pretend_to_empty;
    return nullptr;
}
[[maybe_unused]] After empties_in_a_hold_of_its_own(Platform& p) {
    p.clipboard.emptyClipboard = &empty_and_open_again;
    return nullptr;
}
[[maybe_unused]] After notice_with_two_buttons(Platform& p) {
    p.messageBoxW = &show_with_two_buttons;
    return nullptr;
}
[[maybe_unused]] After notice_with_cancel_id(Platform& p) {
    p.messageBoxW = &show_with_cancel_id;
    return nullptr;
}
[[maybe_unused]] After help_on_switch(Platform& p) {
    p.splitter.commandLineToArgvW = &split_minding_help;
    return nullptr;
}
[[maybe_unused]] After drops_empty_arguments(Platform& p) {
    p.splitter.commandLineToArgvW = &split_dropping_empties;
    return nullptr;
}
[[maybe_unused]] After expands_variables(Platform& p) {
    p.splitter.commandLineToArgvW = &split_expanding_variables;
    return nullptr;
}
[[maybe_unused]] After expands_wildcards(Platform& p) {
    p.splitter.commandLineToArgvW = &split_expanding_wildcards;
    return nullptr;
}
[[maybe_unused]] After cuts_at_max_path(Platform& p) {
    p.splitter.commandLineToArgvW = &split_cutting_at_max_path;
    return nullptr;
}
[[maybe_unused]] After places_utf8_as_ansi_text(Platform& p) {
    p.clipboard.setClipboardData = &set_with_utf8_ansi_text;
    return nullptr;
}
[[maybe_unused]] After waits_inside_its_hold(Platform& p) {
    p.clipboard.openClipboard = &open_and_wait_half_a_second;
    return nullptr;
}

[[maybe_unused]] After shows_a_window(Platform&) { return &show_a_window; }
[[maybe_unused]] After runs_a_console_command(Platform&) { return &run_a_console_command; }
[[maybe_unused]] After writes_a_log_file(Platform&) { return &write_a_log_file; }
[[maybe_unused]] After writes_beside_itself(Platform&) { return &write_beside_itself; }
[[maybe_unused]] After lingers(Platform&) { return &linger; }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tarnwick::Platform platform = tarnwick::system_platform();
    const After after = TARNWICK_VARIANT(platform);
    const int status = tarnwick::run(GetCommandLineW(), platform);
    if (after != nullptr) after();
    return status;
}
