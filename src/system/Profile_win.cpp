// Ini access through GetPrivateProfileStringW and friends.
#include "system/Profile.h"

#include <windows.h>

#include <vector>

namespace sys {

std::wstring ReadProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                               const std::wstring& fallback, size_t bufferChars) {
    std::vector<wchar_t> buffer(bufferChars + 1, L'\0');
    DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                         static_cast<DWORD>(bufferChars), file.c_str());
    return std::wstring(buffer.data(), n);
}

int ReadProfileInt(const std::wstring& file, const std::wstring& section, const std::wstring& key, int fallback) {
    return static_cast<int>(::GetPrivateProfileIntW(section.c_str(), key.c_str(), fallback, file.c_str()));
}

bool WriteProfileString(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                        const std::wstring& value) {
    return ::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

}  // namespace sys
