// Test helper: keeps a file in use until it is killed.
//   hold_file.exe            runs until killed (its own image is the locked file)
//   hold_file.exe PATH       also opens PATH without delete sharing
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    HANDLE file = INVALID_HANDLE_VALUE;
    if (argc > 1) {
        file = ::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 2;
    }
    ::Sleep(INFINITE);
    return 0;
}
