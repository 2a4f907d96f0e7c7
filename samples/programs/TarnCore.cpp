// TarnCore.dll: the sample product's core library. It has no self-registration; the installer's
// DLLCALL rules call TarnRegister after the files are in place and TarnUnregister before they go.
// Both leave a trace a user (or a test) can see: the value "CoreRegistered" under
// HKCU\Software\QuillyTarn, naming this DLL, is written and removed.
#include <windows.h>

#include <string>

namespace {

HMODULE g_module = nullptr;
const wchar_t kKey[] = L"Software\\QuillyTarn";

}  // namespace

extern "C" {

__declspec(dllexport) void __stdcall TarnRegister() {
    wchar_t path[MAX_PATH];
    const DWORD size = ::GetModuleFileNameW(g_module, path, MAX_PATH);
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
    ::RegSetValueExW(key, L"CoreRegistered", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), (size + 1) * sizeof(wchar_t));
    ::RegCloseKey(key);
}

__declspec(dllexport) void __stdcall TarnUnregister() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    ::RegDeleteValueW(key, L"CoreRegistered");
    ::RegCloseKey(key);
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}
