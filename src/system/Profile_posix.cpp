// A reader for the ini files the installer ships (UTF-16LE with or without byte-order mark, or
// UTF-8): sections and keys compared without regard to case, values trimmed, one pair of
// surrounding quotes removed, as the Windows profile functions do.
#include "system/Profile.h"

#include <cwchar>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <vector>

#include "system/NativePath.h"
#include "system/TextConv.h"

namespace sys {

namespace {

std::wstring Decode(const std::string& bytes) {
    const bool bom = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                     static_cast<unsigned char>(bytes[1]) == 0xFE;
    const bool utf16 = bom || (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0);
    if (!utf16) return Utf8ToWide(bytes);
    std::wstring text;
    for (size_t i = bom ? 2 : 0; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            uint32_t low = static_cast<unsigned char>(bytes[i + 2]) | static_cast<unsigned char>(bytes[i + 3]) << 8;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::iswspace(static_cast<wint_t>(s[b]))) ++b;
    while (e > b && std::iswspace(static_cast<wint_t>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool SameNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    }
    return true;
}

bool Lookup(const std::wstring& file, const std::wstring& section, const std::wstring& key, std::wstring& value) {
    std::ifstream in(NativePath(file), std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::wstring text = Decode(bytes);
    bool inSection = false;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            size_t close = line.find(L']');
            inSection = close != std::wstring::npos && SameNoCase(Trim(line.substr(1, close - 1)), section);
            continue;
        }
        size_t eq = line.find(L'=');
        if (!inSection || eq == std::wstring::npos || !SameNoCase(Trim(line.substr(0, eq)), key)) continue;
        value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return true;
    }
    return false;
}

}  // namespace

std::wstring ReadProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                               const std::wstring& fallback, size_t bufferChars) {
    std::wstring value;
    if (!Lookup(file, section, key, value)) value = fallback;
    if (bufferChars == 0) return {};
    if (value.size() > bufferChars - 1) value.resize(bufferChars - 1);
    return value;
}

}  // namespace sys
