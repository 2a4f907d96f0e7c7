// The sample product's programs (Tarn.exe, TarnUpdate.exe) and the tests' probe: a real Windows
// program that records how the installer's run rules started it. It appends one line
// "start|name|arg1|arg2..." to probe.log in its own folder, then, told so, waits ("--wait=MS",
// then the line "end|name") and exits with a code ("--exit=N").
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

void Append(const std::wstring& line) {
    wchar_t self[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, n);
    path = path.substr(0, path.rfind(L'\\')) + L"\\probe.log";
    FILE* log = _wfopen(path.c_str(), L"ab");
    if (!log) return;
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &text[0], size, nullptr, nullptr);
    std::fprintf(log, "%s\n", text.c_str());
    std::fclose(log);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv) return 1;
    std::wstring name = argv[0];
    name = name.substr(name.find_last_of(L"\\/") + 1);
    std::wstring line = L"start|" + name;
    unsigned wait = 0;
    int code = 0;
    for (int i = 1; i < argc; ++i) {
        line += L"|" + std::wstring(argv[i]);
        if (std::wcsncmp(argv[i], L"--wait=", 7) == 0)
            wait = static_cast<unsigned>(std::wcstoul(argv[i] + 7, nullptr, 10));
        if (std::wcsncmp(argv[i], L"--exit=", 7) == 0)
            code = static_cast<int>(std::wcstol(argv[i] + 7, nullptr, 10));
    }
    // A test that needs time while a run rule runs (a wizard's progress page) sets the wait for
    // every start of the installer's children.
    wchar_t fromEnvironment[16] = {};
    if (!wait && ::GetEnvironmentVariableW(L"QY_PROBE_WAIT_MS", fromEnvironment, 16) > 0) {
        wait = static_cast<unsigned>(std::wcstoul(fromEnvironment, nullptr, 10));
    }
    Append(line);
    if (wait) {
        ::Sleep(wait);
        Append(L"end|" + name);
    }
    return code;
}
