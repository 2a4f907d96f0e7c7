// A reader for the ini files the installer ships (UTF-16LE with or without byte-order mark, or
// UTF-8): sections and keys compared without regard to case, values trimmed, one pair of
// surrounding quotes removed, as the Windows profile functions do.
#include "system/Profile.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "system/NativePath.h"
#include "system/TextConv.h"
#include "system/TextRules.h"

namespace sys {

namespace {

std::wstring Decode(const std::string& bytes) {
    const bool bom = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                     static_cast<unsigned char>(bytes[1]) == 0xFE;
    const bool utf16 = bom || (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0);
    if (!utf16) return Utf8ToWide(bytes);
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = bom ? 2 : 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return Utf16ToWide(units);
}

std::wstring Trimmed(std::wstring_view s) { return std::wstring(Trim(s)); }

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
        std::wstring line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            size_t close = line.find(L']');
            inSection = close != std::wstring::npos && EqualsNoCase(Trimmed(line.substr(1, close - 1)), section);
            continue;
        }
        size_t eq = line.find(L'=');
        if (!inSection || eq == std::wstring::npos || !EqualsNoCase(Trimmed(line.substr(0, eq)), key)) continue;
        value = Trimmed(line.substr(eq + 1));
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
