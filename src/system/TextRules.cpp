#include "system/TextRules.h"

namespace sys {

namespace {

template <typename Char>
Char FoldAscii(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

template <typename Char>
bool Equal(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

template <typename Char>
bool IsBlank(Char c) {
    return c == Char(' ') || (c >= Char('\t') && c <= Char('\r'));
}

template <typename Char>
std::basic_string_view<Char> TrimView(std::basic_string_view<Char> text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) { return Equal(a, b); }
bool EqualsNoCase(std::wstring_view a, std::wstring_view b) { return Equal(a, b); }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Equal(text.substr(0, prefix.size()), prefix);
}
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && Equal(text.substr(0, prefix.size()), prefix);
}
bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && Equal(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view Trim(std::string_view text) { return TrimView(text); }
std::wstring_view Trim(std::wstring_view text) { return TrimView(text); }

}  // namespace sys
