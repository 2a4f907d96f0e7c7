// DeleteFolder: never a protected folder, then the platform's removal of the tree.
#include "system/ErrorLog.h"
#include "system/FileHelpers.h"
#include "system/FileTree.h"

namespace sys {

int DeleteFolder(const std::wstring& folder, const std::vector<std::wstring>& keep) {
    if (folder.empty()) return 0;
    if (IsProtectedFolder(folder)) {
        LogError("DeleteFolder, refused to empty the protected folder %S", folder.c_str());
        return 0;
    }
    DeleteTree(folder, keep);
    return 0;
}

}  // namespace sys
