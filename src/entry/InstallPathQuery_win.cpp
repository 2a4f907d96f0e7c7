// Reads HKLM\Software\QuillyTarn\InstallPath.
#include "entry/InstallPathQuery.h"

#include <windows.h>

#include "driver/ProductKeys.h"
#include "system/Win32Handles.h"

int QueryInstallPath(std::wstring& folder) {
    sys::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, product_keys::kInstallKey, 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS) {
        return 0;
    }
    // 260 bytes of data; one more character stays zero so the text is always terminated.
    wchar_t buffer[131] = {};
    DWORD bytes = 260;
    DWORD type = 0;
    LONG rc = ::RegQueryValueExW(key.get(), product_keys::kInstallPathValue, nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer), &bytes);
    if (rc != ERROR_SUCCESS || buffer[0] == L'\0') return 0;
    std::wstring text = buffer;
    // One trailing separator goes, except after a drive ("C:\\" stays: "C:" names the current
    // folder of drive C, which an uninstall would then empty).
    if (!text.empty() && (text.back() == L'\\' || text.back() == L'/') && !(text.size() == 3 && text[1] == L':')) {
        text.pop_back();
    }
    folder = text;
    return 1;
}
