// Registration of the sample product's COM classes below HKLM\Software\Classes\CLSID, shared by
// the in-process shell extension and the local agent server. Results are HRESULTs.
#pragma once

#include <windows.h>

#include <string>

namespace sample {

inline HRESULT FromStatus(LONG status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

inline std::wstring ClassKey(const wchar_t* clsid) { return std::wstring(L"Software\\Classes\\CLSID\\") + clsid; }

inline HRESULT SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
    return FromStatus(::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

// CLSID\{clsid} with its description, and below it serverKey ("InprocServer32" or
// "LocalServer32") whose default value is command; threading is set when not null.
inline HRESULT RegisterComClass(const wchar_t* clsid, const wchar_t* description, const wchar_t* serverKey,
                             const std::wstring& command, const wchar_t* threading) {
    HKEY key = nullptr;
    HRESULT result = FromStatus(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, ClassKey(clsid).c_str(), 0, nullptr, 0,
                                                  KEY_WRITE, nullptr, &key, nullptr));
    if (FAILED(result)) return result;
    result = SetText(key, nullptr, description);
    HKEY server = nullptr;
    if (SUCCEEDED(result)) {
        result = FromStatus(::RegCreateKeyExW(key, serverKey, 0, nullptr, 0, KEY_WRITE, nullptr, &server, nullptr));
    }
    if (SUCCEEDED(result)) result = SetText(server, nullptr, command);
    if (SUCCEEDED(result) && threading) result = SetText(server, L"ThreadingModel", threading);
    if (server) ::RegCloseKey(server);
    ::RegCloseKey(key);
    return result;
}

// Removes CLSID\{clsid} with everything below it; a class that is not registered is no error.
inline HRESULT UnregisterComClass(const wchar_t* clsid) {
    const LONG status = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey(clsid).c_str());
    return status == ERROR_FILE_NOT_FOUND ? S_OK : FromStatus(status);
}

inline std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD size = ::GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, size);
}

}  // namespace sample
