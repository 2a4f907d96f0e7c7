// DllRegX64.exe: registers, unregisters or calls into a 64-bit DLL on behalf of the 32-bit
// installer, which cannot load it.
//   DllRegX64.exe /r "dll"            DllRegisterServer
//   DllRegX64.exe /u "dll"            DllUnregisterServer
//   DllRegX64.exe /c "dll" Function   an exported function without arguments
// Exit code 0 on success; otherwise one line on standard error (seen when it is redirected: the
// helper has no console) and 1 (command line), 2 (the DLL could not be loaded), 3 (no such
// export) or 4 (the registration function reported failure).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "system/ComponentCall.h"

namespace {

enum Exit { kDone = 0, kUsage = 1, kNotLoaded = 2, kNoExport = 3, kFailed = 4 };

int Fail(int code, const std::wstring& message) {
    std::fwprintf(stderr, L"DllRegX64: %ls\n", message.c_str());
    return code;
}

std::wstring Hex(int value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08x", static_cast<unsigned>(value));
    return text;
}

std::string Ansi(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string out(static_cast<size_t>(size - 1), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    return out;
}

int Usage() {
    std::fputws(L"DllRegX64: usage: /r \"dll\" | /u \"dll\" | /c \"dll\" Function\n", stderr);
    return kUsage;
}

}  // namespace

int wmain() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 3) return Usage();
    const std::wstring verb = argv[1];
    const std::wstring dll = argv[2];
    if (dll.empty()) return Usage();

    if (verb == L"/c") {
        if (argc != 4 || !*argv[3]) return Usage();
        const std::wstring function = argv[3];
        const int result = sys::CallPlainExport(dll, Ansi(function).c_str(), true);
        if (result == sys::kExportMissing) return Fail(kNoExport, L"\"" + dll + L"\" has no export " + function);
        if (result != 0) return Fail(kNotLoaded, L"cannot load \"" + dll + L"\": error " + std::to_wstring(result));
        return kDone;
    }
    if ((verb != L"/r" && verb != L"/u") || argc != 3) return Usage();
    const bool registering = verb == L"/r";
    const int result = sys::CallRegistrationExport(dll, registering ? "DllRegisterServer" : "DllUnregisterServer");
    if (result == sys::kExportMissing) {
        return Fail(kNoExport, L"\"" + dll + L"\" has no export " + (registering ? L"DllRegisterServer" : L"DllUnregisterServer"));
    }
    if (result < 0) {
        return Fail(kFailed, std::wstring(registering ? L"registration" : L"unregistration") + L" of \"" + dll + L"\" failed: " + Hex(result));
    }
    if (result > 0) return Fail(kNotLoaded, L"cannot load \"" + dll + L"\": error " + std::to_wstring(result));
    return kDone;
}
