// Win32 conversions: MultiByteToWideChar / WideCharToMultiByte.
#include "system/TextConv.h"

#include <windows.h>

namespace sys {

namespace {

std::string FromWide(UINT codePage, DWORD flags, const std::wstring& text) {
    if (text.empty()) return {};
    int len = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                  nullptr, nullptr);
    if (len <= 0) return {};
    std::string out(static_cast<size_t>(len), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), &out[0], len, nullptr,
                        nullptr);
    return out;
}

}  // namespace

std::string WideToUtf8(const std::wstring& text) { return FromWide(CP_UTF8, 0, text); }

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return {};
    int len = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (len <= 0) return {};
    std::wstring out(static_cast<size_t>(len), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], len);
    return out;
}

std::string WideToAnsi(const std::wstring& text) { return FromWide(CP_ACP, WC_COMPOSITECHECK, text); }

std::string Utf8ToAnsi(const std::string& text) { return WideToAnsi(Utf8ToWide(text)); }

}  // namespace sys
