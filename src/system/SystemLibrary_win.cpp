#include "system/SystemLibrary.h"

#include <delayimp.h>

#include <string>

namespace sys {

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

HMODULE Kernel32() {
    return ::GetModuleHandleW(L"kernel32.dll");
}

// Delay-loaded DLLs (those that are not known DLLs, such as gdiplus.dll) come from the system
// folder, also where SetDefaultDllDirectories is missing.
FARPROC WINAPI DelayLoadHook(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    std::wstring name;
    for (const char* c = info->szDll; *c; ++c) name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(name.c_str()));
}

}  // namespace

void RestrictDllSearchToSystem() {
    __pfnDliNotifyHook2 = DelayLoadHook;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    SetDefaultDllDirectoriesFn setDefault = nullptr;
    // Windows 8 and later, and Windows 7 with KB2533623.
    if (GetProc(Kernel32(), "SetDefaultDllDirectories", setDefault) &&
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    // The flag is understood where SetDefaultDllDirectories exists; elsewhere it is an invalid
    // parameter and the full path of the system folder serves.
    void* probe = nullptr;
    if (GetProc(Kernel32(), "SetDefaultDllDirectories", probe)) {
        if (HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    }
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return nullptr;
    const std::wstring path = folder + L"\\" + name;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

std::wstring SystemProgram(const wchar_t* name) {
    const std::wstring folder = SystemFolder();
    return folder.empty() ? std::wstring() : folder + L"\\" + name;
}

}  // namespace sys
