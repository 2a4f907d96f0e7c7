// Win32 folder and file helpers with reboot-time fallbacks (MoveFileEx, delay until reboot).
// The installer runs elevated in folders any user can write to: tree deletion never enters a
// link and refuses the folders whose loss would break the system or a user's data.
#include "system/FileHelpers.h"

#include <windows.h>
#include <shlobj.h>

#include "system/FileProbe.h"
#include "system/SystemInfo.h"
#include "system/TextRules.h"
#include "system/Win32Handles.h"

namespace sys {

namespace {

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;
constexpr DWORD kLongPathChars = 32768;

DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool Exists(const std::wstring& path) { return Attributes(path) != kNoAttributes; }

// The attributes of the name itself: with a trailing separator the system reports what a link
// points to.
DWORD OwnAttributes(std::wstring path) {
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return Attributes(path);
}

void ScheduleDeleteAtReboot(const std::wstring& path) {
    ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// The comparable form of a folder: absolute, long names, "\" separators, no "\\?\" prefix and
// no trailing separator ("C:\" becomes "C:").
std::wstring FolderKey(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    if (StartsWithNoCase(path, L"\\\\?\\UNC\\")) {
        path = L"\\\\" + path.substr(8);
    } else if (StartsWithNoCase(path, L"\\\\?\\") || StartsWithNoCase(path, L"\\\\.\\")) {
        path = path.substr(4);
    }
    path = AbsolutePath(path);
    std::wstring longName(kLongPathChars, L'\0');
    const DWORD n = ::GetLongPathNameW(path.c_str(), &longName[0], kLongPathChars);
    if (n > 0 && n < kLongPathChars) path.assign(longName, 0, n);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

// "C:" alone names the current folder of drive C, whatever that is.
bool IsDriveRelative(const std::wstring& path) {
    return path.size() == 2 && path[1] == L':' && ((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z');
}

// "\\server" or "\\server\share" without anything below it.
bool IsUncRoot(const std::wstring& key) {
    if (key.size() < 3 || key[0] != L'\\' || key[1] != L'\\') return false;
    const size_t server = key.find(L'\\', 2);
    return server == std::wstring::npos || key.find(L'\\', server + 1) == std::wstring::npos;
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

std::wstring FromBuffer(UINT (WINAPI* query)(LPWSTR, UINT)) {
    wchar_t path[MAX_PATH] = {};
    UINT n = query(path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

std::wstring EnvironmentFolder(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(name, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

std::vector<std::wstring> ProtectedFolderKeys() {
    const std::wstring profile = ShellFolder(CSIDL_PROFILE);
    const std::wstring folders[] = {
        FromBuffer(&::GetWindowsDirectoryW), FromBuffer(&::GetSystemDirectoryW),
        FromBuffer(&::GetSystemWow64DirectoryW), ShellFolder(CSIDL_PROGRAM_FILES),
        ShellFolder(CSIDL_PROGRAM_FILESX86), ShellFolder(CSIDL_PROGRAM_FILES_COMMON),
        ShellFolder(CSIDL_PROGRAM_FILES_COMMONX86), EnvironmentFolder(L"ProgramW6432"),
        ShellFolder(CSIDL_COMMON_APPDATA), TempFolder(), profile};
    std::vector<std::wstring> keys;
    for (const std::wstring& folder : folders) {
        if (!folder.empty()) keys.push_back(FolderKey(folder));
    }
    // The folder that holds every user's profile.
    if (!profile.empty()) {
        const size_t slash = keys.back().rfind(L'\\');
        if (slash != std::wstring::npos) keys.push_back(keys.back().substr(0, slash));
    }
    return keys;
}

// True when key is the folder or one of the folders that hold it.
bool HoldsOrIs(const std::wstring& key, const std::wstring& folder) {
    if (key.empty() || folder.size() < key.size() || !StartsWithNoCase(folder, key)) return false;
    return folder.size() == key.size() || folder[key.size()] == L'\\';
}

}  // namespace

bool PathExists(const std::wstring& path) { return Exists(path); }

bool IsLink(const std::wstring& path) {
    const DWORD attributes = OwnAttributes(path);
    return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsPlainFolder(const std::wstring& path) {
    const DWORD attributes = OwnAttributes(path);
    return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsProtectedFolder(const std::wstring& folder) {
    std::wstring trimmed = folder;
    while (trimmed.size() > 2 && (trimmed.back() == L'\\' || trimmed.back() == L'/')) trimmed.pop_back();
    if (IsDriveRelative(trimmed)) return true;
    const std::wstring key = FolderKey(folder);
    if (key.empty() || IsDriveRelative(key) || IsUncRoot(key)) return true;
    for (const std::wstring& protectedKey : ProtectedFolderKeys()) {
        if (HoldsOrIs(key, protectedKey)) return true;
    }
    return false;
}

bool IsInsideProgramFiles(const std::wstring& path) {
    const std::wstring key = FolderKey(path);
    const std::wstring folders[] = {ShellFolder(CSIDL_PROGRAM_FILES), ShellFolder(CSIDL_PROGRAM_FILESX86),
                                    EnvironmentFolder(L"ProgramW6432")};
    for (const std::wstring& folder : folders) {
        if (!folder.empty() && HoldsOrIs(FolderKey(folder), key)) return true;
    }
    return false;
}

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

namespace {

class Win32FileProbe final : public IFileProbe {
public:
    bool Exists(const std::wstring& path) const override { return sys::PathExists(path); }
    bool Entry(const std::wstring& path, DirectoryEntry& entry) const override {
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(::FindFirstFileW(path.c_str(), &data));
        if (!find) return false;
        // FILETIME counts 100 ns from 1601; the entry counts whole milliseconds from 1970.
        const int64_t ticks = (static_cast<int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                              data.ftLastWriteTime.dwLowDateTime;
        entry.lastWriteMs = (ticks - 116444736000000000LL) / 10000;
        entry.sizeLow = data.nFileSizeLow;
        return true;
    }
};

}  // namespace

const IFileProbe& SystemFileProbe() {
    static const Win32FileProbe probe;
    return probe;
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
    const DWORD len = ::GetTempPathW(MAX_PATH, buf);
    if (len == 0) return {};
    if (len > MAX_PATH) {
        ::SetLastError(ERROR_BUFFER_OVERFLOW);
        return {};
    }
    std::wstring path(buf, len);
    if (path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring AbsolutePath(const std::wstring& path) {
    std::wstring full(kLongPathChars, L'\0');
    const DWORD n = ::GetFullPathNameW(path.c_str(), kLongPathChars, &full[0], nullptr);
    return n > 0 && n < kLongPathChars ? full.substr(0, n) : path;
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

bool RemoveFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != 0; }

}  // namespace sys
