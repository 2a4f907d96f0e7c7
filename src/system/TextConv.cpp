// The UTF-16 code-unit conversions, the same on every platform.
#include "system/TextConv.h"

namespace sys {

std::u16string WideToUtf16(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (sizeof(wchar_t) == 2) {
            out += static_cast<char16_t>(c);
        } else {
            AppendUtf16(out, static_cast<uint32_t>(c));
        }
    }
    return out;
}

std::wstring Utf16ToWide(std::u16string_view units) {
    std::wstring out;
    out.reserve(units.size());
    if (sizeof(wchar_t) == 2) {
        for (char16_t unit : units) out += static_cast<wchar_t>(unit);
        return out;
    }
    for (size_t i = 0; i < units.size();) out += static_cast<wchar_t>(DecodeUtf16At(units.data(), units.size(), i));
    return out;
}

}  // namespace sys
