/* The floor for the benchmark: the fewest Win32 calls that copy the arguments
 * to the clipboard, one per line, with no C++ library and no checks beyond
 * need. tarnwick.exe is measured against this. */
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR line, int show) {
    (void)instance, (void)previous, (void)line, (void)show;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    SIZE_T units = 1;
    for (int i = 1; i < count; ++i) units += lstrlenW(arguments[i]) + 2;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, units * sizeof(WCHAR));
    WCHAR* text = GlobalLock(block);
    for (int i = 1; i < count; ++i) {
        for (const WCHAR* unit = arguments[i]; *unit; ++unit) *text++ = *unit;
        *text++ = L'\r';
        *text++ = L'\n';
    }
    *text = L'\0';
    GlobalUnlock(block);
    LocalFree(arguments);

    OpenClipboard(NULL);
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
    return 0;
}
