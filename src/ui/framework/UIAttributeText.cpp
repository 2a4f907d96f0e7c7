// Parsing of skin attribute values.
#include "ui/framework/UIAttributeText.h"

#include <cwctype>

#include "system/TextRules.h"

namespace DuiLib {

namespace {

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool IsSeparator(wchar_t c) {
    return c == L',' || c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wstring word;
    for (wchar_t c : text) {
        if (IsSeparator(c)) {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

}  // namespace

bool ParseColor(const std::wstring& raw, uint32_t& argb) {
    std::wstring_view text = sys::Trim(raw);
    if (!text.empty() && text[0] == L'#') {
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        text.remove_prefix(2);
    } else {
        return false;
    }
    if (text.size() != 8 && text.size() != 6) return false;
    uint32_t value = 0;
    for (wchar_t c : text) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        value = value << 4 | static_cast<uint32_t>(d);
    }
    argb = text.size() == 6 ? (0xFF000000u | value) : value;
    return true;
}

bool ParseInts(const std::wstring& text, int* values, int count) {
    for (int i = 0; i < count; ++i) values[i] = 0;
    int index = 0;
    for (const std::wstring& word : Words(text)) {
        if (index >= count) break;
        size_t used = 0;
        long value = 0;
        try {
            value = std::stol(word, &used, 10);
        } catch (...) {
            return false;
        }
        if (used != word.size()) return false;
        values[index++] = static_cast<int>(value);
    }
    return true;
}

UiRect ParseRect(const std::wstring& text) {
    int v[4];
    if (!ParseInts(text, v, 4)) return {};
    return {v[0], v[1], v[2], v[3]};
}

UiSize ParseSize(const std::wstring& text) {
    int v[2];
    if (!ParseInts(text, v, 2)) return {};
    return {v[0], v[1]};
}

bool ParseBool(const std::wstring& text) {
    const std::wstring_view t = sys::Trim(text);
    return sys::EqualsNoCase(t, L"true") || t == L"1";
}

int ParseInt(const std::wstring& text, int fallback) {
    int v = 0;
    if (sys::Trim(text).empty() || !ParseInts(text, &v, 1)) return fallback;
    return v;
}

unsigned ParseAlign(const std::wstring& text, unsigned fallback) {
    unsigned horizontal = fallback & kAlignHorizontalMask;
    unsigned vertical = fallback & kAlignVerticalMask;
    unsigned extra = fallback & ~(kAlignHorizontalMask | kAlignVerticalMask);
    for (const std::wstring& word : Words(text)) {
        if (sys::EqualsNoCase(word, L"left"))
            horizontal = kAlignLeft;
        else if (sys::EqualsNoCase(word, L"center"))
            horizontal = kAlignCenter;
        else if (sys::EqualsNoCase(word, L"right"))
            horizontal = kAlignRight;
        else if (sys::EqualsNoCase(word, L"top"))
            vertical = kAlignTop;
        else if (sys::EqualsNoCase(word, L"vcenter"))
            vertical = kAlignVCenter;
        else if (sys::EqualsNoCase(word, L"bottom"))
            vertical = kAlignBottom;
        else if (sys::EqualsNoCase(word, L"wrap"))
            extra |= kAlignWrap;
        else if (sys::EqualsNoCase(word, L"endellipsis"))
            extra |= kAlignEllipsis;
    }
    return horizontal | vertical | extra;
}

std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& text) {
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        while (i < n && std::iswspace(text[i])) ++i;
        const size_t nameStart = i;
        while (i < n && text[i] != L'=' && !std::iswspace(text[i])) ++i;
        std::wstring name = text.substr(nameStart, i - nameStart);
        while (i < n && std::iswspace(text[i])) ++i;
        if (i >= n || text[i] != L'=') break;
        ++i;
        while (i < n && std::iswspace(text[i])) ++i;
        if (i >= n || (text[i] != L'\'' && text[i] != L'"')) break;
        const wchar_t quote = text[i++];
        const size_t valueStart = i;
        while (i < n && text[i] != quote) ++i;
        if (i >= n) break;  // an unclosed value ends the list
        pairs.emplace_back(std::move(name), text.substr(valueStart, i - valueStart));
        ++i;
    }
    return pairs;
}

ImageSpec ParseImageSpec(const std::wstring& text) {
    ImageSpec spec;
    const auto pairs = ParseAttributeList(text);
    if (pairs.empty()) {
        spec.file = std::wstring(sys::Trim(text));
        return spec;
    }
    for (const auto& [key, value] : pairs) {
        if (sys::EqualsNoCase(key, L"file") || sys::EqualsNoCase(key, L"res")) {
            spec.file = std::wstring(sys::Trim(value));
        } else if (sys::EqualsNoCase(key, L"source")) {
            spec.source = ParseRect(value);
            spec.hasSource = !spec.source.IsEmpty();
        } else if (sys::EqualsNoCase(key, L"dest")) {
            spec.dest = ParseRect(value);
            spec.hasDest = !spec.dest.IsEmpty();
        } else if (sys::EqualsNoCase(key, L"corner")) {
            spec.corner = ParseRect(value);
        } else if (sys::EqualsNoCase(key, L"fade")) {
            const int fade = ParseInt(value, 255);
            spec.fade = fade < 0 ? 0 : (fade > 255 ? 255 : fade);
        }
    }
    return spec;
}

}  // namespace DuiLib
