// The sample product's programs (Tarn.exe, TarnUpdate.exe): real Windows programs that do no
// more than an installer test needs. With /wait:N they stay N milliseconds, so a test can see
// them running (and have them ended by a KILL rule); otherwise they end at once. The exit code is
// the number given with /exit:N (0 by default).
#include <windows.h>

#include <cwchar>
#include <cwctype>

namespace {

int NumberAfter(const wchar_t* commandLine, const wchar_t* option, int fallback) {
    const wchar_t* found = std::wcsstr(commandLine, option);
    if (!found) return fallback;
    return static_cast<int>(std::wcstol(found + std::wcslen(option), nullptr, 10));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const int waitMs = NumberAfter(commandLine, L"/wait:", 0);
    if (waitMs > 0) ::Sleep(static_cast<DWORD>(waitMs));
    return NumberAfter(commandLine, L"/exit:", 0);
}
