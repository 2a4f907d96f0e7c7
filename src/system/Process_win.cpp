// Win32 implementation of the process and thread facts.
#include "system/Process.h"

#include <windows.h>
#include <process.h>
#include <stdlib.h>

#include "system/TextConv.h"

namespace sys {

unsigned CurrentThreadId() { return ::GetCurrentThreadId(); }
unsigned CurrentProcessId() { return ::GetCurrentProcessId(); }

std::wstring ModuleFilePath() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD len = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, len);
}

std::wstring ProgramPath() {
    const wchar_t* pgm = _wpgmptr;
    if (pgm && *pgm) return pgm;
    return ModuleFilePath();
}

std::string ProcessBaseName() {
    std::wstring path = ModuleFilePath();
    if (path.empty()) return "process";
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return name.empty() ? "process" : WideToUtf8(name);
}

void DebugOutput(const char* text) { ::OutputDebugStringA(text); }

void SleepMs(unsigned milliseconds) { ::Sleep(milliseconds); }

bool StartDetachedThread(unsigned (*proc)(void*), void* param) {
    uintptr_t handle = _beginthreadex(nullptr, 0, reinterpret_cast<_beginthreadex_proc_type>(proc), param, 0,
                                      nullptr);
    if (handle == 0) return false;
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}

unsigned LastErrorCode() { return ::GetLastError(); }

}  // namespace sys
