#include "config/ConfigText.h"

#include <limits>

namespace config {

namespace {

int64_t ParseSaturated(std::string_view text, int64_t low, int64_t high) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (!negative) {
            if (value > (high - digit) / 10) return high;
            value = value * 10 + digit;
        } else {
            if (value < (low + digit) / 10) return low;
            value = value * 10 - digit;
        }
    }
    return value;
}

// Sort key of one character such that keys order like the UTF-16 code units of the character:
// characters outside the basic plane start with a lead surrogate (D800-DBFF) and so sort between
// U+D7FF and U+E000.
inline uint64_t Utf16Key(uint32_t c) {
    if (c >= 0x10000) return 0xD800u + c;    // 0x1D800.. : after D7FF, before the shifted E000..FFFF
    if (c >= 0xE000) return c + 0x200000u;  // after every supplementary character
    return c;
}

}  // namespace

bool ContainsChar(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

int32_t ParseInt32(std::string_view text) {
    return static_cast<int32_t>(
        ParseSaturated(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int64_t ParseInt64(std::string_view text) {
    return ParseSaturated(text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
}

std::wstring LowerAscii(std::wstring text) {
    // Paths are matched by a case-insensitive file system and the macros are ASCII, so ASCII
    // lower-casing is all that matters.
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

int CompareUtf16(const std::wstring& a, const std::wstring& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        uint64_t ka = Utf16Key(static_cast<uint32_t>(a[i]));
        uint64_t kb = Utf16Key(static_cast<uint32_t>(b[i]));
        return ka < kb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace config
