#include "interface/Parser/Program.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

#include "system/ComponentCall.h"
#include "system/SystemInfo.h"
#include "system/SystemLibrary.h"
#include "system/TextConv.h"
#include "system/TextRules.h"
#include "system/Win32Handles.h"

namespace {

bool HasBlank(const std::wstring& path) {
    return path.find(L' ') != std::wstring::npos;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(0, slash);
}

void HandOver(PROCESS_INFORMATION& info, sys::UniqueHandle* process) {
    sys::UniqueHandle thread(info.hThread);
    sys::UniqueHandle owned(info.hProcess);
    if (process) *process = std::move(owned);
}

// The first process of the snapshot with that image name (without regard to case); 0 when none.
DWORD FindProcess(const std::wstring& name, int& result) {
    sys::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        result = -1;
        return 0;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    result = -4;
    if (!::Process32FirstW(snapshot.get(), &entry)) return 0;
    do {
        if (sys::EqualsNoCase(std::wstring_view(entry.szExeFile), name)) {
            result = 0;
            return entry.th32ProcessID;
        }
    } while (::Process32NextW(snapshot.get(), &entry));
    return 0;
}

}  // namespace

std::wstring CProgram::CommandLine(const std::wstring& path, const std::wstring& args) {
    return (HasBlank(path) ? L"\"" + path + L"\"" : path) + L" " + args;
}

int CProgram::RunProgram(const std::wstring& path, const std::wstring& args, sys::UniqueHandle* process) {
    std::wstring line = CommandLine(path, args);
    const std::wstring folder = FolderOf(path);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(HasBlank(path) ? path.c_str() : nullptr, &line[0], nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, folder.c_str(), &startup, &info)) {
        return static_cast<int>(::GetLastError());
    }
    HandOver(info, process);
    return 0;
}

int CProgram::RunProgramAsUser(const std::wstring& path, const std::wstring& args,
                               sys::UniqueHandle* process) {
    std::wstring line = CommandLine(path, args);
    sys::UniqueHandle token = GetUserToken();
    if (!token) return -1;
    const wchar_t* application = HasBlank(path) ? path.c_str() : nullptr;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (sys::GetSystemInfo().major >= 6) {
        using CreateWithTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                                LPSTARTUPINFOW, LPPROCESS_INFORMATION);
        CreateWithTokenFn create = nullptr;
        HMODULE advapi = sys::LoadSystemLibrary(L"Advapi32.dll");
        if (!advapi || !sys::GetProc(advapi, "CreateProcessWithTokenW", create))
            return static_cast<int>(::GetLastError());
        if (!create(token.get(), 0, application, &line[0], 0, nullptr, nullptr, &startup, &info)) {
            return static_cast<int>(::GetLastError());
        }
    } else {
        wchar_t desktop[] = L"winsta0\\default";
        startup.lpDesktop = desktop;
        if (!::CreateProcessAsUserW(token.get(), application, &line[0], nullptr, nullptr, FALSE,
                                    CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr, &startup, &info)) {
            return static_cast<int>(::GetLastError());
        }
    }
    HandOver(info, process);
    return 0;
}

sys::UniqueHandle CProgram::GetUserToken() {
    int found = 0;
    const DWORD shell = FindProcess(L"explorer.exe", found);
    if (found != 0) return {};
    sys::UniqueHandle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, shell));
    if (!process) return {};
    for (const wchar_t* privilege :
         {L"SeIncreaseQuotaPrivilege", L"SeAssignPrimaryTokenPrivilege", L"SeImpersonatePrivilege"}) {
        if (EnableTokenPrivilege(process.get(), privilege) != 0) return {};
    }
    sys::UniqueHandle token;
    if (!::OpenProcessToken(process.get(), TOKEN_ALL_ACCESS, token.receive())) return {};
    process.reset();
    sys::UniqueHandle primary;
    if (!::DuplicateTokenEx(token.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                            primary.receive())) {
        return {};
    }
    return primary;
}

int CProgram::EnableTokenPrivilege(HANDLE process, const wchar_t* privilege) {
    sys::UniqueHandle token;
    if (!::OpenProcessToken(process, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive())) {
        return static_cast<int>(::GetLastError());
    }
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, privilege, &privileges.Privileges[0].Luid)) {
        return static_cast<int>(::GetLastError());
    }
    if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr)) {
        return static_cast<int>(::GetLastError());
    }
    return 0;
}

int CProgram::KillProcessByName(const std::wstring& name) {
    int result = 0;
    const DWORD id = FindProcess(name, result);
    if (result != 0) return result;
    sys::UniqueHandle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, id));
    if (!process) return -2;
    if (!::TerminateProcess(process.get(), 0)) return -3;
    ::WaitForSingleObject(process.get(), INFINITE);
    return 0;
}

int CProgram::DllCall(const std::wstring& helper, const std::wstring& dll, const std::wstring& function) {
    if (IsX64Image(dll)) {
        RunToEnd(helper, L" /c \"" + dll + L"\" " + function);
        return 1;
    }
    // The product's own DLL: its folder is searched for what it needs. Failures stay silent.
    sys::CallPlainExport(dll, sys::WideToAnsi(function).c_str(), false);
    return 1;
}

bool CProgram::IsX64Image(const std::wstring& path) {
    sys::UniqueHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 64) return false;
    sys::UniqueHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    const auto* bytes =
        static_cast<const unsigned char*>(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!bytes) return false;
    bool x64 = false;
    if (bytes[0] == 0x4D && bytes[1] == 0x5A) {
        const uint32_t pe =
            bytes[60] | bytes[61] << 8 | bytes[62] << 16 | static_cast<uint32_t>(bytes[63]) << 24;
        if (static_cast<uint64_t>(pe) + 6 <= static_cast<uint64_t>(size.QuadPart)) {
            x64 = bytes[pe] == 0x50 && bytes[pe + 1] == 0x45 && bytes[pe + 2] == 0 && bytes[pe + 3] == 0 &&
                  (bytes[pe + 4] | bytes[pe + 5] << 8) == 0x8664;
        }
    }
    ::UnmapViewOfFile(bytes);
    return x64;
}

bool CProgram::WaitFor(const sys::UniqueHandle& process, unsigned milliseconds) {
    return process && ::WaitForSingleObject(process.get(), milliseconds) == WAIT_OBJECT_0;
}

int CProgram::RunToEnd(const std::wstring& path, const std::wstring& args, unsigned long* exitCode,
                       const std::function<void()>& onStarted) {
    if (exitCode) *exitCode = 1;
    sys::UniqueHandle process;
    if (const int started = RunProgram(path, args, &process)) return started;
    if (onStarted) onStarted();
    WaitFor(process, INFINITE);
    if (!exitCode) return 0;
    DWORD code = 1;
    const bool read = ::GetExitCodeProcess(process.get(), &code) != 0;
    const DWORD error = ::GetLastError();
    process.reset();
    if (read) *exitCode = code;
    ::SetLastError(error);
    return 0;
}
