// The platform-independent half of the file helpers.
#include "system/FileHelpers.h"

#include <cstdio>
#include <string_view>

namespace sys {

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

bool PassesThroughLink(const std::wstring& root, const std::wstring& relative) {
    for (size_t slash = relative.find_first_of(L"/\\"); slash != std::wstring::npos;
         slash = relative.find_first_of(L"/\\", slash + 1)) {
        if (IsLink(root + L'\\' + relative.substr(0, slash))) return true;
    }
    return false;
}

bool IsPlainName(const std::wstring& name) {
    return StaysInside(name) && name.find_first_of(L"\\/") == std::wstring::npos;
}

bool IsAbsoluteFolderPath(const std::wstring& path) {
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    // A drive: "D:\..." (a bare "D:" or "D:Games" depends on the drive's current folder).
    if (path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
        path[1] == L':' && separator(path[2])) {
        return true;
    }
    // A share: "\\server\share..." with both names given; not the "\\?\" and "\\.\" device forms.
    if (path.size() < 5 || !separator(path[0]) || !separator(path[1]) || path[2] == L'?' || path[2] == L'.')
        return false;
    const size_t server = path.find_first_of(L"\\/", 2);
    if (server == std::wstring::npos || server == 2 || server + 1 >= path.size()) return false;
    return !separator(path[server + 1]);
}

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& data) {
    UniqueFile in = OpenFile(path, "rb");
    if (!in) return false;
    data.clear();
    uint8_t chunk[1 << 16];
    for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), in.get())) > 0;) data.insert(data.end(), chunk, chunk + n);
    return std::ferror(in.get()) == 0;
}

}  // namespace sys
