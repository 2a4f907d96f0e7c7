// Text conversions between wide strings (UTF-16 on Windows), UTF-8 and the system's ANSI code page.
// Every conversion of the program goes through here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sys {

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
// The ANSI code page of the system, with a composite check; on POSIX systems the "ANSI" page is UTF-8.
std::string WideToAnsi(const std::wstring& text);
std::string Utf8ToAnsi(const std::string& text);

// UTF-16 code units, as files and packages store them, to and from wide strings (wchar_t is
// UTF-16 on Windows and UTF-32 elsewhere). Unpaired surrogates pass through unchanged.
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view units);

// The one UTF-16 decoder: the character at units[i] (a surrogate pair, or a single unit as it
// is); i moves past it.
template <typename Unit>
uint32_t DecodeUtf16At(const Unit* units, size_t count, size_t& i) {
    uint32_t unit = static_cast<uint32_t>(units[i++]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i < count) {
        uint32_t low = static_cast<uint32_t>(units[i]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return unit;
}

// The one UTF-16 encoder: appends the code point as one unit or a surrogate pair.
template <typename String>
void AppendUtf16(String& out, uint32_t cp) {
    using Unit = typename String::value_type;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        cp -= 0x10000;
        out += static_cast<Unit>(0xD800 + (cp >> 10));
        out += static_cast<Unit>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<Unit>(cp);
    }
}

}  // namespace sys
