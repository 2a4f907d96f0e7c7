#include "driver/RunLock.h"

#include <windows.h>

namespace {

// "Local\": the lock belongs to the session, as the working folder below %TEMP% does.
constexpr wchar_t kMutexName[] = L"Local\\QuillySetup.Run";
constexpr wchar_t kOwnerName[] = L"Local\\QuillySetup.RunOwner";

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

bool CRunLock::Acquire() {
    if (m_held) return true;
    if (!m_mutex) m_mutex.reset(::CreateMutexW(nullptr, FALSE, kMutexName));
    if (!m_mutex) return false;
    const DWORD wait = ::WaitForSingleObject(m_mutex.get(), 0);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
    m_held = true;

    m_owner.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), kOwnerName));
    if (m_owner) {
        if (void* view = ::MapViewOfFile(m_owner.get(), FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
            *static_cast<volatile DWORD*>(view) = ::GetCurrentProcessId();
            ::UnmapViewOfFile(view);
        }
    }
    return true;
}

void CRunLock::Release() {
    if (!m_held) return;
    m_owner.reset();
    ::ReleaseMutex(m_mutex.get());
    m_held = false;
}

bool CRunLock::ShowHolder() {
    sys::UniqueHandle owner(::OpenFileMappingW(FILE_MAP_READ, FALSE, kOwnerName));
    if (!owner) return false;
    const void* view = ::MapViewOfFile(owner.get(), FILE_MAP_READ, 0, 0, sizeof(DWORD));
    if (!view) return false;
    WindowSearch search{*static_cast<const volatile DWORD*>(view), nullptr};
    ::UnmapViewOfFile(view);
    if (search.processId == 0) return false;
    ::EnumWindows(&FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return false;
    if (::IsIconic(search.found)) ::ShowWindow(search.found, SW_RESTORE);
    return ::SetForegroundWindow(search.found) != FALSE;
}
