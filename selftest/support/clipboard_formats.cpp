#include "clipboard_formats.h"

#include <algorithm>
#include <optional>
#include <set>

#include "clipboard_access.h"
#include "utf8.h"

namespace tarnwick::testing {
namespace {

const std::set<UINT> kUnicodeTextAndWhatWindowsMakesOfIt{CF_UNICODETEXT, CF_LOCALE, CF_TEXT, CF_OEMTEXT};

// Letters of the scripts the common code pages hold, one or two each.
constexpr wchar_t kCandidateLetters[] =
    L"\u00e9\u00df\u00fc"   // Western European
    L"\u0105\u0151"         // Central European
    L"\u0416\u044f"         // Cyrillic
    L"\u03b1\u03a9"         // Greek
    L"\u011f\u0130"         // Turkish
    L"\u05e9"               // Hebrew
    L"\u0639"               // Arabic
    L"\u0101"               // Baltic
    L"\u0e01"               // Thai
    L"\u65e5\u672c";        // Chinese, Japanese, Korean

UINT code_page_of(LCID locale, LCTYPE which) {
    UINT codePage = 0;
    if (GetLocaleInfoW(locale, which | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&codePage),
                       sizeof codePage / sizeof(wchar_t)) == 0)
        return 0;
    return codePage;
}

// The ANSI code page Windows converts in: CF_LOCALE's, except where the
// system's ANSI code page is UTF-8, which Windows then uses.
UINT ansi_code_page(LCID locale) {
    return GetACP() == CP_UTF8 ? CP_UTF8 : code_page_of(locale, LOCALE_IDEFAULTANSICODEPAGE);
}
UINT oem_code_page(LCID locale) { return code_page_of(locale, LOCALE_IDEFAULTCODEPAGE); }

// Whether `codePage` holds every character of `text` exactly.
bool holds(UINT codePage, const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    if (codePage == CP_UTF8)
        return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), size, nullptr, 0, nullptr, nullptr) > 0;
    BOOL usedDefault = FALSE;
    return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr,
                               &usedDefault) > 0 &&
           !usedDefault;
}

std::string up_to_and_with_nul(const std::string& bytes) { return bytes.substr(0, bytes.find('\0') + 1); }
std::wstring up_to_and_with_nul(const std::wstring& units) { return units.substr(0, units.find(L'\0') + 1); }

std::string hex_of(const std::string& bytes, size_t from) {
    static const char digits[] = "0123456789abcdef";
    std::string said;
    for (size_t i = from; i < bytes.size() && i < from + 12; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (!said.empty()) said += ' ';
        said += digits[byte >> 4];
        said += digits[byte & 15];
    }
    return said;
}

// Where `found` first differs from `expected`, in words; empty when it does not.
std::string bytes_differ(const std::string& expected, const std::string& found) {
    if (expected == found) return {};
    const size_t at = static_cast<size_t>(
        std::mismatch(expected.begin(), expected.end(), found.begin(), found.end()).first - expected.begin());
    return "from byte " + std::to_string(at) + " it holds " + hex_of(found, at) + " where the conversion gives " +
           hex_of(expected, at);
}

bool beyond_ascii(const std::wstring& text) {
    return std::any_of(text.begin(), text.end(), [](wchar_t unit) { return unit > 0x7F; });
}

}  // namespace

std::string name_of_format(UINT format) {
    switch (format) {
        case CF_TEXT: return "CF_TEXT";
        case CF_OEMTEXT: return "CF_OEMTEXT";
        case CF_UNICODETEXT: return "CF_UNICODETEXT";
        case CF_LOCALE: return "CF_LOCALE";
        default: break;
    }
    wchar_t name[256]{};
    if (GetClipboardFormatNameW(format, name, 256) == 0) return "format " + std::to_string(format);
    std::string quoted(1, '"');
    quoted += to_utf8(name);
    return quoted += '"';
}

FormatsJudged judge_text_formats(const std::wstring& placedBlock) {
    FormatsJudged judged;
    std::string others;
    for (const UINT format : formats_of_open_clipboard())
        if (!kUnicodeTextAndWhatWindowsMakesOfIt.contains(format))
            others += (others.empty() ? "" : ", ") + name_of_format(format);
    if (!others.empty()) judged.faults.push_back("besides its text the clipboard offers " + others);

    const std::optional<std::string> localeBytes = bytes_of_open_clipboard(CF_LOCALE);
    if (!localeBytes || localeBytes->size() < sizeof(LCID)) {
        judged.faults.push_back("the clipboard offers no CF_LOCALE, which Windows makes for every text");
        return judged;
    }
    LCID locale = 0;
    std::copy_n(localeBytes->data(), sizeof locale, reinterpret_cast<char*>(&locale));
    const std::wstring text = up_to_and_with_nul(placedBlock);
    for (const auto& [format, codePage] : {std::pair{UINT{CF_TEXT}, ansi_code_page(locale)},
                                           std::pair{UINT{CF_OEMTEXT}, oem_code_page(locale)}}) {
        const std::optional<std::string> bytes = bytes_of_open_clipboard(format);
        if (!bytes) {
            judged.faults.push_back("the clipboard offers no " + name_of_format(format) +
                                    " for programs that ask for it");
            continue;
        }
        if (codePage == 0 || !holds(codePage, text)) continue;  // Windows' best fit, not judged
        const std::string differs = bytes_differ(in_code_page(text, codePage), up_to_and_with_nul(*bytes));
        if (!differs.empty())
            judged.faults.push_back(name_of_format(format) + " is not the text in code page " +
                                    std::to_string(codePage) + " (of CF_LOCALE " + std::to_string(locale) +
                                    "): " + differs);
        if (beyond_ascii(text)) ++judged.comparedBeyondAscii;
    }
    return judged;
}

std::wstring letters_both_code_pages_hold() {
    const LCID locale = LOWORD(reinterpret_cast<ULONG_PTR>(GetKeyboardLayout(0)));
    std::wstring held;
    for (const wchar_t letter : std::wstring(kCandidateLetters)) {
        const std::wstring one(1, letter);
        if (holds(ansi_code_page(locale), one) && holds(oem_code_page(locale), one)) held += letter;
    }
    return held;
}

}  // namespace tarnwick::testing
