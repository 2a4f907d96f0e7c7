// The platform-independent half of the file helpers.
#include "system/FileHelpers.h"

#include <string_view>

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

bool StaysInside(const std::wstring& relative) {
    if (relative.empty() || relative[0] == L'/' || relative[0] == L'\\') return false;
    if (relative.find(L':') != std::wstring::npos) return false;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find_first_of(L"/\\", start);
        if (end == std::wstring::npos) end = relative.size();
        const std::wstring_view segment = std::wstring_view(relative).substr(start, end - start);
        if (segment == L"." || segment == L"..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace sys
