// Win32 implementation of the process and thread facts.
#include "system/Process.h"

#include <windows.h>

#include <atomic>

#include <memory>
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

bool DebugOutputRead() {
    if (::IsDebuggerPresent()) return true;
    // A viewer announces itself with the event it waits on for the next line.
    static std::atomic<ULONGLONG> askedAt{0};
    static std::atomic<bool> viewer{false};
    const ULONGLONG now = ::GetTickCount64();
    const ULONGLONG last = askedAt.load(std::memory_order_relaxed);
    if (last == 0 || now - last >= 1000) {
        askedAt.store(now, std::memory_order_relaxed);
        HANDLE ready = ::OpenEventW(SYNCHRONIZE, FALSE, L"DBWIN_BUFFER_READY");
        viewer.store(ready != nullptr, std::memory_order_relaxed);
        if (ready) ::CloseHandle(ready);
    }
    return viewer.load(std::memory_order_relaxed);
}

void SleepMs(unsigned milliseconds) { ::Sleep(milliseconds); }

namespace {

struct ThreadStart {
    unsigned (*proc)(void*);
    void* param;
};

// The C run-time calls its thread entry as __stdcall: the caller's function, of the default
// convention, is called from here rather than cast to that type (in a 32-bit build the two differ).
unsigned __stdcall ThreadEntry(void* start) {
    const std::unique_ptr<ThreadStart> owned(static_cast<ThreadStart*>(start));
    return owned->proc(owned->param);
}

}  // namespace

bool StartDetachedThread(unsigned (*proc)(void*), void* param) {
    auto start = std::make_unique<ThreadStart>(ThreadStart{proc, param});
    const uintptr_t handle = _beginthreadex(nullptr, 0, &ThreadEntry, start.get(), 0, nullptr);
    if (handle == 0) return false;
    start.release();  // the thread owns it now
    ::CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}

unsigned LastErrorCode() { return ::GetLastError(); }

}  // namespace sys
