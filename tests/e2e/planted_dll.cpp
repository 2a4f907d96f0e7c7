// Stands for a bcrypt.dll planted beside an installer in a folder anyone can write to: loaded,
// it leaves "planted-dll-loaded.txt" next to itself. Exports the names the installer once imported.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(self, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\') --n;
    ::lstrcpyW(path + n, L"planted-dll-loaded.txt");
    HANDLE marker = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE) ::CloseHandle(marker);
    return TRUE;
}

#define PLANTED(name) \
    extern "C" __declspec(dllexport) LONG WINAPI name(void*, void*, void*, void*, void*, void*, void*) { return -1; }
PLANTED(BCryptOpenAlgorithmProvider)
PLANTED(BCryptCloseAlgorithmProvider)
PLANTED(BCryptCreateHash)
PLANTED(BCryptHashData)
PLANTED(BCryptFinishHash)
PLANTED(BCryptDestroyHash)
