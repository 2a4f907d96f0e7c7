// POSIX conversions. wchar_t is UTF-32 there; malformed UTF-8 becomes U+FFFD, as the Win32
// converter does without flags.
#include "system/TextConv.h"

#include <cstdint>

namespace sys {

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendWide(std::wstring& out, uint32_t cp) {
    if (sizeof(wchar_t) == 2) {
        AppendUtf16(out, cp);
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

}  // namespace

std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        // Wide text from UTF-16 sources may still hold surrogate pairs.
        uint32_t cp = DecodeUtf16At(text.data(), text.size(), i);
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

std::wstring Utf8ToWide(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        uint32_t cp;
        size_t extra;
        if (c < 0x80) {
            cp = c, extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            cp = c & 0x1F, extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            cp = c & 0x0F, extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            cp = c & 0x07, extra = 3;
        } else {
            AppendWide(out, 0xFFFD);
            ++i;
            continue;
        }
        size_t j = 1;
        for (; j <= extra && i + j < n && (s[i + j] & 0xC0) == 0x80; ++j) cp = (cp << 6) | (s[i + j] & 0x3F);
        const bool complete = j == extra + 1;
        const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
        if (!complete || overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            AppendWide(out, 0xFFFD);
            i += complete ? j : (j > 1 ? j : 1);
            continue;
        }
        AppendWide(out, cp);
        i += j;
    }
    return out;
}

std::string WideToAnsi(const std::wstring& text) { return WideToUtf8(text); }

std::string Utf8ToAnsi(const std::string& text) { return text; }

}  // namespace sys
