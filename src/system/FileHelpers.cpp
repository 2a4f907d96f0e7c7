// The platform-independent half of the file helpers.
#include "system/FileHelpers.h"

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "system/FileTree.h"

namespace sys {

int DeleteFolder(const std::wstring& folder, const std::vector<std::wstring>& keep) {
    if (folder.empty()) return 0;
    if (IsProtectedFolder(folder)) {
        LogPrint(log4z::LOG_LEVEL_ERROR, "DeleteFolder, refused to empty the protected folder %S", folder.c_str());
        return 0;
    }
    DeleteTree(folder, keep);
    return 0;
}

}  // namespace sys
