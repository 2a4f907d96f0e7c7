// POSIX tree deletion, so the portable core's tools and tests remove what they made: links are
// unlinked, never followed.
#include "system/FileTree.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "system/NativePath.h"

namespace sys {

void DeleteTree(const std::wstring& folder, const std::vector<std::wstring>& keep) {
    std::string base = NativePath(folder);
    struct stat self;
    if (::lstat(base.c_str(), &self) == 0 && S_ISLNK(self.st_mode)) {
        ::unlink(base.c_str());  // the link, not what it points to
        return;
    }
    if (base.back() != '/') base += '/';
    if (DIR* dir = ::opendir(base.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            std::string path = base + name;
            struct stat st;
            if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {  // never a link
                DeleteTree(WidePath(path), {});
                continue;
            }
            bool kept = false;
            for (const auto& k : keep) kept = kept || NativePath(k) == name;
            if (!kept) ::unlink(path.c_str());
        }
        ::closedir(dir);
    }
    ::rmdir(base.substr(0, base.size() - 1).c_str());
}

}  // namespace sys
