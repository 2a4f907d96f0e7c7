// Win32 system record: RtlGetNtVersionNumbers for the real kernel version (GetVersionEx lies to
// programs without a manifest), GetNativeSystemInfo so a 32-bit process on 64-bit Windows says "x64".
#include "system/SystemInfo.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "system/Win32Handles.h"

namespace sys {

namespace {

void ReadVersion(SystemInfo& info) {
    using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    DWORD major = 0, minor = 0, build = 0;
    UniqueHModule ntdll(::LoadLibraryW(L"ntdll.dll"));
    auto fn = ntdll ? reinterpret_cast<RtlGetNtVersionNumbersFn>(
                          reinterpret_cast<void*>(::GetProcAddress(ntdll.get(), "RtlGetNtVersionNumbers")))
                    : nullptr;
    if (fn) {
        fn(&major, &minor, &build);
    } else {
        OSVERSIONINFOW osvi = {};
        osvi.dwOSVersionInfoSize = sizeof(osvi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (::GetVersionExW(&osvi)) major = osvi.dwMajorVersion, minor = osvi.dwMinorVersion;
#pragma GCC diagnostic pop
    }
    info.major = static_cast<int>(major);
    info.minor = static_cast<int>(minor);
    info.versionText = std::to_wstring(major) + L"." + std::to_wstring(minor);
}

void ReadArchitecture(SystemInfo& info) {
    using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO*);
    auto fn = reinterpret_cast<GetNativeSystemInfoFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetNativeSystemInfo")));
    if (!fn) {
        info.archText = L"x86";
        return;
    }
    SYSTEM_INFO si = {};
    fn(&si);
    info.archText = ArchTextForProcessor(si.wProcessorArchitecture);
}

}  // namespace

const SystemInfo& GetSystemInfo() {
    static const SystemInfo info = [] {
        SystemInfo built;
        built.localeId = ::GetSystemDefaultLCID();
        built.languageCode = LanguageCodeForLocale(built.localeId);
        ReadVersion(built);
        ReadArchitecture(built);
        return built;
    }();
    return info;
}

int EnableDebugPrivilege() {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.receive())) {
        return -1;
    }
    TOKEN_PRIVILEGES privileges = {};
    if (!::LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) return -2;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // Succeeds also when the privilege was not granted (ERROR_NOT_ALL_ASSIGNED).
    if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr)) {
        return -3;
    }
    return 0;
}

}  // namespace sys
