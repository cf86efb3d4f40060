// Prints the clipboard's Unicode text line by line, as UTF-8, so that a person
// trying the program sees exactly what it placed. Used by scripts/try.
#include <windows.h>

#include <cstdio>
#include <string>

#include "clipboard_access.h"
#include "utf8.h"

namespace {

void print(const std::wstring& text) {
    const std::string utf8 = tarnwick::testing::to_utf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

}  // namespace

int wmain() {
    const auto block = tarnwick::testing::read_clipboard_block();
    if (!block) {
        std::puts("The clipboard holds no Unicode text.");
        return 1;
    }
    std::printf("The clipboard holds %zu code units (%zu bytes)%s:\n", block->size(),
                block->size() * 2,
                !block->empty() && block->back() == L'\0' ? ", ending in NUL" : "");
    size_t start = 0;
    int line = 1;
    while (start < block->size() && (*block)[start] != L'\0') {
        size_t end = block->find(L"\r\n", start);
        const bool ended = end != std::wstring::npos;
        if (!ended) end = block->find(L'\0', start);
        std::printf("%4d  ", line++);
        print(block->substr(start, end - start));
        std::puts(ended ? "  [CR LF]" : "");
        start = ended ? end + 2 : block->size();
    }
    return 0;
}
