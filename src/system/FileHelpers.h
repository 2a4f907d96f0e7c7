// Folder and file helpers. Files that cannot be removed at once (locked by a running program)
// are moved aside or left to the next restart, never reported as failures.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace sys {

// 0, or the system error code of the first folder whose creation failed.
int CreateFolderTree(const std::wstring& path);
// Removes the folder and everything in it, except files named in keep (exact names). Always 0.
int DeleteFolder(const std::wstring& folder, const std::vector<std::wstring>& keep);
// Renames path to path.delete (or the next free .delete.deleteN name) and schedules that name
// for deletion at the next restart. 0, or -1 when the rename failed.
int RenameForDelete(const std::wstring& path);
// Deletes the file, or moves it aside / schedules it when it is in use.
int DeleteOrSchedule(const std::wstring& path);

bool PathExists(const std::wstring& path);
// Low 32 bits of the size of the file found by a directory search on path; false when none.
bool FindFileSizeLow(const std::wstring& path, uint32_t& size);
// The system temporary folder, always ending in a separator.
std::wstring TempFolder();

// Renames a file or folder (no replacing); false on failure.
bool MovePath(const std::wstring& from, const std::wstring& to);
// Renames a file, replacing the target if it exists; false on failure.
bool ReplacePath(const std::wstring& from, const std::wstring& to);
// Makes folder the process's current directory; false on failure.
bool SetCurrentFolder(const std::wstring& folder);

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};
using UniqueFile = std::unique_ptr<FILE, FileCloser>;
UniqueFile OpenFile(const std::wstring& path, const char* mode);

}  // namespace sys
