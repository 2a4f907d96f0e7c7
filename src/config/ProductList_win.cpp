#include "config/ProductList.h"

#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "system/Profile.h"
#include "system/TextRules.h"
#include "system/Win32Handles.h"

namespace {

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
    const unsigned count = sys::ReadProfileInt(iniPath, L"products", L"count", 0);
    // Only keys that exist can yield a name, so walk those rather than every number up to a
    // count that a damaged file may set to billions.
    std::set<unsigned> numbers;
    for (const std::wstring& key : sys::ReadProfileKeys(iniPath, L"products")) {
        unsigned n = ProductKeyNumber(key);
        if (n >= 1 && n <= count) numbers.insert(n);
    }
    for (unsigned n : numbers) {
        const std::wstring key = L"product" + std::to_wstring(n);
        const std::wstring value = sys::ReadProfileString(iniPath, L"products", key, L"", 128);
        if (!value.empty()) list.push_back(value);
    }
    return 0;
}

int GetProductConfigName(const std::wstring& iniPath, std::wstring& productConfigPath) {
    // "_setup.ini" ships as UTF-16LE without a byte-order mark; the profile reader copes with it.
    const std::wstring value =
        sys::ReadProfileString(iniPath, L"Product", L"Product", L"Product.config", MAX_PATH);
    if (value.empty()) return -1;
    productConfigPath = value;
    return 0;
}

int WriteProductList(const std::wstring& installFolder, bool update, const std::wstring& productConfigPath) {
    if (update) return 0;
    const std::wstring path = installFolder + L"\\package\\productlist.ini";
    if (sys::ReadProfileInt(path, L"products", L"count", 0) != 0) return 0;
    // Failed writes are not noticed: the list only helps a later uninstall find the product file.
    sys::WriteProfileString(path, L"products", L"count", L"1");
    sys::WriteProfileString(path, L"products", L"product1", productConfigPath);
    return 0;
}
