// Language-dependent attributes carry the system's language code as a suffix ("name_0409").
#pragma once

#include <string>

#include "config/ProductConfig.h"
#include "system/TextConv.h"

namespace config {

// base + "_" + code. Without a code (a language other than the three) the name matches nothing,
// so the lookup yields empty text.
inline std::string LanguageAttrName(const std::string& base, const std::wstring& languageCode) {
    return base + "_" + sys::WideToUtf8(languageCode);
}

// The product file's display name for the language ("Name_0804" ...); empty for other codes.
inline const std::wstring& ProductDisplayName(const CProductConfig& product, const std::wstring& languageCode) {
    static const std::wstring kNone;
    if (languageCode == L"0804") return product.m_Name0804;
    if (languageCode == L"0404") return product.m_Name0404;
    if (languageCode == L"0409") return product.m_Name0409;
    return kNone;
}

}  // namespace config
