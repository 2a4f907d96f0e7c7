// TarnAgent.exe: the sample product's local COM server. "/regserver" registers its class
// ({1629E7BB-...}, LocalServer32 naming this program), "/unregserver" removes it; the exit code
// is 0 or the failing HRESULT. Started otherwise it records its start as the probe programs do
// (probe.log in its folder) and ends.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "ComRegistration.h"

namespace {

const wchar_t kClsidText[] = L"{1629E7BB-ADEC-405C-BD7C-3F35AB09B3BD}";

void RecordStart(const std::wstring& self, const wchar_t* commandLine) {
    const std::wstring log = self.substr(0, self.rfind(L'\\')) + L"\\probe.log";
    HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::wstring line = L"start|TarnAgent.exe|" + std::wstring(commandLine) + L"\n";
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &text[0], size, nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const std::wstring self = sample::ModulePath(nullptr);
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const std::wstring verb = argv && argc > 1 ? argv[1] : L"";
    if (::lstrcmpiW(verb.c_str(), L"/regserver") == 0) {
        return sample::RegisterComClass(kClsidText, L"Quilly Tarn agent", L"LocalServer32", L"\"" + self + L"\"", nullptr);
    }
    if (::lstrcmpiW(verb.c_str(), L"/unregserver") == 0) return sample::UnregisterComClass(kClsidText);
    RecordStart(self, commandLine);
    return 0;
}
