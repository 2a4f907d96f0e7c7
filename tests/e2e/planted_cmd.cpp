// Stands for a cmd.exe planted in the temporary folder, the uninstall's current folder, where
// Windows' search order would find it before the system's: started, it leaves
// "planted-cmd-ran.txt" next to itself and does nothing else.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main() {
    wchar_t path[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\') --n;
    ::lstrcpyW(path + n, L"planted-cmd-ran.txt");
    HANDLE marker = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE) ::CloseHandle(marker);
    return 0;
}
