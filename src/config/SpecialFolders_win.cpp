#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "config/SpecialFolders.h"

namespace config {

namespace {

struct IdListFree {
    void operator()(ITEMIDLIST* list) const { ::CoTaskMemFree(list); }
};

std::wstring ShellFolder(int csidl) {
    ITEMIDLIST* raw = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &raw)) || !raw) return {};
    std::unique_ptr<ITEMIDLIST, IdListFree> list(raw);
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(list.get(), path)) return {};
    return path;
}

template <typename Fn>
std::wstring SystemPath(Fn fn) {
    wchar_t path[MAX_PATH] = {};
    UINT len = fn(path, MAX_PATH);
    return len > 0 && len < MAX_PATH ? std::wstring(path, len) : std::wstring();
}

}  // namespace

std::wstring UserProgramsFolder() { return ShellFolder(CSIDL_PROGRAMS); }
std::wstring UserDesktopFolder() { return ShellFolder(CSIDL_DESKTOP); }
std::wstring UserAppDataFolder() { return ShellFolder(CSIDL_APPDATA); }
std::wstring SystemFolder() { return SystemPath(::GetSystemDirectoryW); }
std::wstring WindowsFolder() { return SystemPath(::GetWindowsDirectoryW); }

}  // namespace config
