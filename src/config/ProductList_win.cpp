#include "config/ProductList.h"

#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "entry/OpePARAMEx.h"
#include "system/Profile.h"
#include "system/TextRules.h"
#include "system/Win32Handles.h"

namespace {

// The key names of a section (the profile functions list them zero-separated).
std::vector<std::wstring> SectionKeys(const std::wstring& iniPath, const wchar_t* section) {
    std::vector<wchar_t> buffer(4096);
    for (;;) {
        DWORD got = ::GetPrivateProfileStringW(section, nullptr, L"", buffer.data(),
                                               static_cast<DWORD>(buffer.size()), iniPath.c_str());
        if (got + 2 < buffer.size() || buffer.size() >= (1u << 24)) break;
        buffer.assign(buffer.size() * 4, L'\0');
    }
    std::vector<std::wstring> keys;
    for (const wchar_t* key = buffer.data(); *key; key += wcslen(key) + 1) keys.push_back(key);
    return keys;
}

// N for a key "product<N>" (no sign, no leading zero), else 0. Key names are case-insensitive.
unsigned ProductKeyNumber(const std::wstring& key) {
    if (key.size() < 8 || key.size() > 17 || !sys::StartsWithNoCase(key, L"product") || key[7] == L'0') {
        return 0;
    }
    unsigned long long n = 0;
    for (size_t i = 7; i < key.size(); ++i) {
        if (key[i] < L'0' || key[i] > L'9') return 0;
        n = n * 10 + static_cast<unsigned>(key[i] - L'0');
    }
    return n > 0xFFFFFFFFull ? 0 : static_cast<unsigned>(n);
}

}  // namespace

int ReadProductList(const std::wstring& iniPath, std::vector<std::wstring>& list) {
    const UINT count = ::GetPrivateProfileIntW(L"products", L"count", 0, iniPath.c_str());
    // Only keys that exist can yield a name, so walk those rather than every number up to a
    // count that a damaged file may set to billions.
    std::set<unsigned> numbers;
    for (const std::wstring& key : SectionKeys(iniPath, L"products")) {
        unsigned n = ProductKeyNumber(key);
        if (n >= 1 && n <= count) numbers.insert(n);
    }
    for (unsigned n : numbers) {
        const std::wstring key = L"product" + std::to_wstring(n);
        wchar_t value[128] = {};
        ::GetPrivateProfileStringW(L"products", key.c_str(), L"", value, 128, iniPath.c_str());
        if (value[0] != L'\0') list.push_back(value);
    }
    return 0;
}

int GetProductConfigName(const std::wstring& iniPath, std::wstring& productConfigPath) {
    // "_setup.ini" ships as UTF-16LE without a byte-order mark; the profile reader copes with it.
    const std::wstring value = sys::ReadProfileString(iniPath, L"Product", L"Product", L"Product.config", MAX_PATH);
    if (value.empty()) return -1;
    productConfigPath = value;
    return 0;
}

int WriteProductList(const OpePARAMEx& record, const std::wstring& productConfigPath) {
    if (record.m_Mode == OpePARAMEx::CMD_UPDATE) return 0;
    const std::wstring path = record.m_InstallPath + L"\\package\\productlist.ini";
    if (::GetPrivateProfileIntW(L"products", L"count", 0, path.c_str()) != 0) return 0;
    // Failed writes are not noticed: the list only helps a later uninstall find the product file.
    ::WritePrivateProfileStringW(L"products", L"count", L"1", path.c_str());
    ::WritePrivateProfileStringW(L"products", L"product1", productConfigPath.c_str(), path.c_str());
    return 0;
}
