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
// Removes the folder and everything in it, except files named in keep (exact names). Links
// (symbolic links, junctions, mount points) are removed as links and never entered; a folder
// that is itself a link loses the link only. A protected folder (below) is refused with one log
// line and left untouched. Always 0.
int DeleteFolder(const std::wstring& folder, const std::vector<std::wstring>& keep);
// Folders no tree deletion may empty: a drive root in any spelling (also "C:", the current
// folder of a drive), a UNC share root, the Windows and system folders, the Program Files
// folders, the user profile and the folder of all profiles, the temporary folder itself, and any
// folder that holds one of them.
bool IsProtectedFolder(const std::wstring& folder);
// True for the Program Files folders and anything below them, whose security the system sets and
// passes on to what is placed inside.
bool IsInsideProgramFiles(const std::wstring& path);
// True when the path itself is a link (a reparse point on Windows); false when it is missing.
bool IsLink(const std::wstring& path);
// True when the path is a folder and not a link.
bool IsPlainFolder(const std::wstring& path);
// Renames path to path.delete (or the next free .delete.deleteN name) and schedules that name
// for deletion at the next restart. 0, or -1 when the rename failed.
int RenameForDelete(const std::wstring& path);
// Deletes the file, or moves it aside / schedules it when it is in use.
int DeleteOrSchedule(const std::wstring& path);

bool PathExists(const std::wstring& path);
// True for a relative path that stays below the folder it is joined to: not empty, not rooted,
// no drive or stream colon, no "." or ".." segment.
bool StaysInside(const std::wstring& relative);
// True when a folder on the way from root to the relative path (root itself not counted) is a
// link: a path through it ends wherever the link points.
bool PassesThroughLink(const std::wstring& root, const std::wstring& relative);
// True for one name that StaysInside: no separator at all (a shortcut's or a start-menu folder's).
bool IsPlainName(const std::wstring& name);
// True for a folder named from a drive's root (D:\Games) or a share (\\server\share\Games): a
// path whose meaning does not depend on the current folder or drive.
bool IsAbsoluteFolderPath(const std::wstring& path);
// Low 32 bits of the size of the file found by a directory search on path; false when none.
bool FindFileSizeLow(const std::wstring& path, uint32_t& size);
// The system temporary folder, ending in a separator; empty when it cannot be read or does not
// fit in 260 characters.
std::wstring TempFolder();
// The absolute form of a path (resolved against the current folder); the path itself on failure.
std::wstring AbsolutePath(const std::wstring& path);

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
// The whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& data);
// Deletes one file now; false when it could not.
bool RemoveFile(const std::wstring& path);

}  // namespace sys
