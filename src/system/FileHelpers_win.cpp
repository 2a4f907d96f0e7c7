// Win32 folder and file helpers with reboot-time fallbacks (MoveFileEx, delay until reboot).
#include "system/FileHelpers.h"

#include <windows.h>

#include "system/SystemInfo.h"
#include "system/Win32Handles.h"

namespace sys {

namespace {

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void ScheduleDeleteAtReboot(const std::wstring& path) {
    ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool PathExists(const std::wstring& path) { return Exists(path); }

int CreateFolderTree(const std::wstring& path) {
    if (Exists(path)) return 0;
    std::wstring full = path;
    if (full.empty() || full.back() != L'\\') full += L'\\';
    for (size_t pos = full.find(L'\\'); pos != std::wstring::npos; pos = full.find(L'\\', pos + 1)) {
        if (pos == 0) continue;
        std::wstring prefix = full.substr(0, pos);
        if (!Exists(prefix) && !::CreateDirectoryW(prefix.c_str(), nullptr)) {
            return static_cast<int>(::GetLastError());
        }
    }
    return 0;
}

int DeleteFolder(const std::wstring& folder, const std::vector<std::wstring>& keep) {
    if (folder.empty()) return 0;
    std::wstring base = folder;
    if (base.back() != L'\\' && base.back() != L'/') base += L'\\';

    WIN32_FIND_DATAW data;
    UniqueFindHandle find(::FindFirstFileW((base + L"*").c_str(), &data));
    if (find) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = base + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteFolder(path, {});
                continue;
            }
            bool kept = false;
            for (const auto& k : keep) kept = kept || k == name;
            if (kept) continue;
            if (::DeleteFileW(path.c_str())) continue;
            if (GetSystemInfo().major < 6) {
                ScheduleDeleteAtReboot(path);
            } else if (RenameForDelete(path) < 0) {
                ScheduleDeleteAtReboot(path);
            }
        } while (::FindNextFileW(find.get(), &data));
    }
    find.reset();

    std::wstring self = base.substr(0, base.size() - 1);
    if (!::RemoveDirectoryW(self.c_str())) ScheduleDeleteAtReboot(self);
    return 0;
}

int RenameForDelete(const std::wstring& path) {
    std::wstring suffix = L".delete";
    for (int n = 1; Exists(path + suffix); ++n) suffix += L".delete" + std::to_wstring(n);
    std::wstring target = path + suffix;
    if (!::MoveFileW(path.c_str(), target.c_str())) return -1;
    ScheduleDeleteAtReboot(target);
    return 0;
}

int DeleteOrSchedule(const std::wstring& path) {
    if (::DeleteFileW(path.c_str())) return 0;
    if (GetSystemInfo().major > 5) return RenameForDelete(path);
    ScheduleDeleteAtReboot(path);
    return 0;
}

bool FindFileSizeLow(const std::wstring& path, uint32_t& size) {
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(::FindFirstFileW(path.c_str(), &data));
    if (!find) return false;
    size = data.nFileSizeLow;
    return true;
}

std::wstring TempFolder() {
    wchar_t buf[MAX_PATH + 1] = {};
    DWORD len = ::GetTempPathW(MAX_PATH, buf);
    std::wstring path(buf, len <= MAX_PATH ? len : 0);
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

bool MovePath(const std::wstring& from, const std::wstring& to) { return ::MoveFileW(from.c_str(), to.c_str()) != 0; }

bool ReplacePath(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool SetCurrentFolder(const std::wstring& folder) { return ::SetCurrentDirectoryW(folder.c_str()) != 0; }

UniqueFile OpenFile(const std::wstring& path, const char* mode) {
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return UniqueFile(::_wfopen(path.c_str(), wmode.c_str()));
}

}  // namespace sys
