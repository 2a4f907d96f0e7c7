#include "interface/Parser/ItemAttributes.h"

#include "config/ProductConfig.h"
#include "config/LanguageNames.h"
#include "system/SystemInfo.h"
#include "system/TextConv.h"

std::wstring GetAttr(const AttrMap& attrs, std::string_view name) {
    return sys::Utf8ToWide(std::string(AttrValue(attrs, name)));
}

std::wstring GetItemPath(const FileItem& item) {
    return FileTargetPath(item.attrs);
}

std::wstring RegistrationHelper(const std::wstring& root) {
    return root + L"\\Setup\\DllRegX64.exe";
}

std::string LanguageAttrName(std::string_view base) {
    return config::LanguageAttrName(std::string(base), sys::GetSystemInfo().languageCode);
}

std::wstring WithLinkSuffix(const std::wstring& path) {
    const bool has = path.size() >= 4 && path.compare(path.size() - 4, 4, L".lnk") == 0;
    return has ? path : path + L".lnk";
}
