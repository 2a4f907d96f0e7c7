#include "system/SharedRegistryKeys.h"

#include <string_view>
#include <vector>

#include "system/TextRules.h"

namespace sys {

namespace {

// Below every root alike (HKCR holds the classes directly, HKLM and HKCU below Software\Classes).
// A key is shared when it is one of these or an ancestor of one.
const wchar_t* const kSharedKeys[] = {
    L"Software\\Classes\\CLSID",
    L"Software\\Classes\\Interface",
    L"Software\\Classes\\TypeLib",
    L"Software\\Classes\\AppID",
    L"Software\\Classes\\*\\shellex",
    L"Software\\Classes\\Directory\\shell",
    L"Software\\Classes\\Wow6432Node\\CLSID",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
    L"Software\\Wow6432Node\\Classes\\CLSID",
    L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
    L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    L"Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion",
    L"Software\\Policies\\Microsoft",
    L"System\\CurrentControlSet\\Services",
    L"System\\CurrentControlSet\\Control\\Session Manager",
    L"CLSID",
    L"Interface",
    L"TypeLib",
    L"AppID",
    L"*\\shellex",
    L"Directory\\shell",
    L"Wow6432Node\\CLSID",
};

const wchar_t* const kRoots[] = {L"HKCR", L"HKCC", L"HKCU", L"HKLM", L"HKUS"};

std::vector<std::wstring_view> Segments(std::wstring_view path) {
    std::vector<std::wstring_view> segments;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos) end = path.size();
        if (end > start) segments.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return segments;
}

}  // namespace

bool IsSharedRegistryKey(const std::wstring& keyPath) {
    const std::wstring_view path(keyPath);
    if (path.size() < 4) return true;
    bool known = false;
    for (const wchar_t* root : kRoots)
        known = known || EqualsNoCase(path.substr(0, 4), std::wstring_view(root));
    if (!known) return true;
    std::vector<std::wstring_view> key = Segments(path.substr(4));
    // Below HKEY_USERS the first name is a user's: the same table holds below it.
    if (EqualsNoCase(path.substr(0, 4), std::wstring_view(L"HKUS"))) {
        if (key.empty()) return true;
        key.erase(key.begin());
    }
    if (key.empty()) return true;
    for (const wchar_t* shared : kSharedKeys) {
        const std::vector<std::wstring_view> entry = Segments(shared);
        if (key.size() > entry.size()) continue;
        bool ancestor = true;
        for (size_t i = 0; i < key.size() && ancestor; ++i) ancestor = EqualsNoCase(key[i], entry[i]);
        if (ancestor) return true;
    }
    return false;
}

}  // namespace sys
