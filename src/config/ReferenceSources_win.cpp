#include <windows.h>

#include <vector>

#include "config/ReferenceSources.h"
#include "system/TextConv.h"
#include "system/Win32Handles.h"

namespace config {

std::string ReadMachineString(const std::string& subkey, const std::string& name) {
    sys::UniqueHKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, sys::Utf8ToWide(subkey).c_str(), 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS) {
        return {};
    }
    const std::wstring valueName = sys::Utf8ToWide(name);
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    // Room for a terminator the stored value may lack.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                           &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    return sys::WideToUtf8(std::wstring(buffer.data()));
}

std::string ReadEnvironment(const std::string& name) {
    const std::wstring wideName = sys::Utf8ToWide(name);
    DWORD needed = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::vector<wchar_t> buffer(needed + 1, L'\0');
    DWORD got = ::GetEnvironmentVariableW(wideName.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0 || got >= buffer.size()) return {};
    return sys::WideToUtf8(std::wstring(buffer.data(), got));
}

}  // namespace config
