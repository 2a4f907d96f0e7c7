// Tree deletion by handle. Each folder is opened once, as itself and never through a link, and
// its entries are opened and deleted relative to that handle: a folder swapped for a junction
// after it was listed is never entered, only the junction goes. By path still: removing a link
// the listing shows, moving a file in use aside, and removal at the next restart.
#include "system/FileTree.h"

#include <windows.h>
#include <winternl.h>

#include "system/ErrorLog.h"
#include "system/FileHelpers.h"
#include "system/Win32Handles.h"

namespace sys {

namespace {

using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                          PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);

constexpr ACCESS_MASK kEntryAccess = DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES;
constexpr ACCESS_MASK kFolderAccess = kEntryAccess | FILE_LIST_DIRECTORY;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct Entry {
    std::wstring name;
    bool folder = false;
    bool link = false;
};

// The one system call that opens a name relative to a folder handle. ntdll is in every process
// from its start, so nothing is loaded for it.
NtCreateFileCall NtCreateFileEntry() {
    static const auto call = reinterpret_cast<NtCreateFileCall>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtCreateFile")));
    return call;
}

// The entry itself (a link is opened as the link), or empty when it cannot be opened as the kind
// the listing showed: then it changed since, and is left alone.
UniqueHandle OpenInside(HANDLE folder, const std::wstring& name, bool asFolder) {
    const NtCreateFileCall create = NtCreateFileEntry();
    if (!create || name.size() > 32767) return UniqueHandle();
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name.c_str());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status = {};
    HANDLE handle = nullptr;
    const ULONG options = FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT |
                          (asFolder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE);
    const NTSTATUS result = create(&handle, asFolder ? kFolderAccess : kEntryAccess, &attributes, &status,
                                   nullptr, 0, kShareAll, FILE_OPEN, options, nullptr, 0);
    return UniqueHandle(NT_SUCCESS(result) ? handle : nullptr);
}

bool IsLinkHandle(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof(tag))) return false;
    return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsFolderHandle(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    return ::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof(tag)) &&
           (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Marks the opened entry for deletion; it goes when its last handle closes.
bool DeleteByHandle(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
}

std::vector<Entry> ListFolder(HANDLE folder) {
    std::vector<Entry> entries;
    alignas(8) static thread_local unsigned char buffer[64 * 1024];
    while (::GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo, buffer, sizeof(buffer))) {
        for (size_t offset = 0;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + offset);
            std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                entries.push_back({std::move(name), (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                                   (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
            }
            if (info->NextEntryOffset == 0) break;
            offset += info->NextEntryOffset;
        }
    }
    return entries;
}

void LogCannotRemoveLink(const std::wstring& path) {
    LogError("DeleteFolder, cannot remove link %S, err %d", path.c_str(), static_cast<int>(::GetLastError()));
}

// A link the listing shows is removed by its path and never opened: Wine opens what a Unix link
// points to even when asked for the link itself.
void RemoveListedLink(const std::wstring& path, bool folder) {
    if (!(folder ? ::RemoveDirectoryW(path.c_str()) : ::DeleteFileW(path.c_str()))) LogCannotRemoveLink(path);
}

// After its handle is closed: a folder still there (something in it is in use) goes at the restart.
void RemoveFolderLater(const std::wstring& path, DWORD error) {
    if (!PathExists(path)) return;
    if (::RemoveDirectoryW(path.c_str())) return;
    if (error == 0) error = ::GetLastError();
    LogError("DeleteFolder, cannot remove %S now, err %d: removed at the next restart", path.c_str(),
             static_cast<int>(error));
    ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void EmptyFolder(HANDLE folder, const std::wstring& path, const std::vector<std::wstring>& keep);

// A folder opened as itself: a link loses the link only, a folder is emptied and removed.
void RemoveOpenedFolder(UniqueHandle folder, const std::wstring& path,
                        const std::vector<std::wstring>& keep) {
    if (IsLinkHandle(folder.get())) {
        if (!DeleteByHandle(folder.get())) LogCannotRemoveLink(path);
        return;
    }
    EmptyFolder(folder.get(), path, keep);
    const DWORD error = DeleteByHandle(folder.get()) ? 0 : ::GetLastError();
    folder.reset();
    RemoveFolderLater(path, error);
}

void EmptyFolder(HANDLE folder, const std::wstring& path, const std::vector<std::wstring>& keep) {
    const std::wstring base = path + L'\\';
    for (const Entry& entry : ListFolder(folder)) {
        const std::wstring full = base + entry.name;
        bool kept = false;
        for (const std::wstring& name : keep) kept = kept || name == entry.name;
        if (kept && !entry.folder) continue;
        if (entry.link) {
            RemoveListedLink(full, entry.folder);
            continue;
        }
        UniqueHandle opened = OpenInside(folder, entry.name, entry.folder);
        if (entry.folder) {
            if (opened) {
                RemoveOpenedFolder(std::move(opened), full, {});
            } else if (PathExists(full)) {
                LogError("DeleteFolder, cannot open %S, err %d: left in place", full.c_str(),
                         static_cast<int>(::GetLastError()));
            }
            continue;
        }
        if (opened && DeleteByHandle(opened.get())) continue;
        opened.reset();
        // In use or read-only: moved aside by path, or failing that, removed at the next restart.
        if (PathExists(full) && DeleteOrSchedule(full) < 0) {
            ::MoveFileExW(full.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        }
    }
}

}  // namespace

void DeleteTree(const std::wstring& folder, const std::vector<std::wstring>& keep) {
    std::wstring self = folder;
    while (self.size() > 1 && (self.back() == L'\\' || self.back() == L'/')) self.pop_back();
    const DWORD attributes = ::GetFileAttributesW(self.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveListedLink(self, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        return;
    }
    UniqueHandle opened(::CreateFileW(self.c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!opened) {
        RemoveFolderLater(self, ::GetLastError());
        return;
    }
    if (!IsLinkHandle(opened.get()) && !IsFolderHandle(opened.get())) {
        LogError("DeleteFolder, %S is not a folder: left in place", self.c_str());
        return;
    }
    RemoveOpenedFolder(std::move(opened), self, keep);
}

}  // namespace sys
