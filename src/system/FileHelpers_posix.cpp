// POSIX folder and file helpers, so the portable core and its tools run natively. Paths use the
// Windows separator "\" throughout the program; here it is translated to "/". POSIX can always
// unlink a file in use, so nothing is deferred to a restart.
#include "system/FileHelpers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "system/FileProbe.h"
#include "system/NativePath.h"

namespace sys {

bool PathExists(const std::wstring& path) {
    struct stat st;
    return ::lstat(NativePath(path).c_str(), &st) == 0;
}

int CreateFolderTree(const std::wstring& path) {
    if (PathExists(path)) return 0;
    std::string full = NativePath(path);
    if (full.empty() || full.back() != '/') full += '/';
    for (size_t pos = full.find('/'); pos != std::string::npos; pos = full.find('/', pos + 1)) {
        if (pos == 0) continue;
        std::string prefix = full.substr(0, pos);
        struct stat st;
        // Another thread may make the same folder between the look and the make: that is no failure.
        if (::stat(prefix.c_str(), &st) != 0 && ::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}

namespace {

std::string FolderKey(const std::wstring& folder) {
    std::string key = NativePath(AbsolutePath(folder));
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    return key;
}

}  // namespace

bool IsProtectedFolder(const std::wstring& folder) {
    const std::string key = FolderKey(folder);
    for (const char* name : {"/", "/usr", "/etc", "/home"}) {
        if (key == name) return true;
    }
    const char* home = std::getenv("HOME");
    return key == FolderKey(TempFolder()) || (home && *home && key == FolderKey(WidePath(home)));
}

bool IsInsideProgramFiles(const std::wstring&) {
    return false;
}

bool IsLink(const std::wstring& path) {
    struct stat st;
    return ::lstat(NativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsPlainFolder(const std::wstring& path) {
    struct stat st;
    return ::lstat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::wstring AbsolutePath(const std::wstring& path) {
    const std::string native = NativePath(path);
    if (!native.empty() && native[0] == '/') return path;
    char cwd[4096];
    if (!::getcwd(cwd, sizeof(cwd))) return path;
    return WidePath(std::string(cwd) + "/" + native);
}

int RenameForDelete(const std::wstring& path) {
    std::wstring suffix = L".delete";
    for (int n = 1; PathExists(path + suffix); ++n) suffix += L".delete" + std::to_wstring(n);
    return ::rename(NativePath(path).c_str(), NativePath(path + suffix).c_str()) == 0 ? 0 : -1;
}

int DeleteOrSchedule(const std::wstring& path) {
    if (::unlink(NativePath(path).c_str()) == 0) return 0;
    return RenameForDelete(path);
}

namespace {

class PosixFileProbe final : public IFileProbe {
public:
    bool Exists(const std::wstring& path) const override { return sys::PathExists(path); }
    bool Entry(const std::wstring& path, DirectoryEntry& entry) const override {
        struct stat st;
        if (::stat(NativePath(path).c_str(), &st) != 0) return false;
        entry.lastWriteMs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        entry.sizeLow = static_cast<uint32_t>(st.st_size);
        return true;
    }
};

}  // namespace

const IFileProbe& SystemFileProbe() {
    static const PosixFileProbe probe;
    return probe;
}

bool FindFileSizeLow(const std::wstring& path, uint32_t& size) {
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0) return false;
    size = static_cast<uint32_t>(st.st_size);
    return true;
}

std::wstring TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::wstring path = WidePath(tmp && *tmp ? tmp : "/tmp");
    if (path.back() != L'\\') path += L'\\';
    return path;
}

bool MovePath(const std::wstring& from, const std::wstring& to) {
    const std::string target = NativePath(to);
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) return false;  // MoveFile does not replace
    return ::rename(NativePath(from).c_str(), target.c_str()) == 0;
}

bool ReplacePath(const std::wstring& from, const std::wstring& to) {
    return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool SetCurrentFolder(const std::wstring& folder) {
    return ::chdir(NativePath(folder).c_str()) == 0;
}

UniqueFile OpenFile(const std::wstring& path, const char* mode) {
    return UniqueFile(std::fopen(NativePath(path).c_str(), mode));
}

bool RemoveFile(const std::wstring& path) {
    return ::unlink(NativePath(path).c_str()) == 0;
}

}  // namespace sys
