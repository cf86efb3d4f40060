// The program's own text types, seen as the standard strings the tests write
// their cases in and compare.
#pragma once

#include <string>
#include <vector>

#include "cmdline/command_line.h"

namespace tarnwick::testing {

using Strings = std::vector<std::wstring>;

inline std::wstring to_wstring(const Utf16Text& text) { return std::wstring(text.view()); }

inline Strings to_strings(const ArgumentList& list) { return Strings(list.elements.begin(), list.elements.end()); }

// A one-based argument list over a test's own strings, valid while both live.
class ListOf {
public:
    explicit ListOf(const Strings& strings) : views_(strings.begin(), strings.end()) {}
    operator ArgumentList() const { return {views_}; }

private:
    std::vector<std::wstring_view> views_;
};

}  // namespace tarnwick::testing
