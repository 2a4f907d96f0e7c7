#include "FolderFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>

#include "system/NativePath.h"
#endif

namespace fs = std::filesystem;

namespace {

fs::path ToFsPath(const std::wstring& path) {
#if defined(_WIN32)
    return fs::path(path);
#else
    return fs::path(sys::NativePath(path));
#endif
}

std::wstring FromFsPath(const fs::path& path) {
#if defined(_WIN32)
    std::wstring text = path.wstring();
    std::replace(text.begin(), text.end(), L'/', L'\\');
    return text;
#else
    return sys::WidePath(path.string());
#endif
}

}  // namespace

bool ListFolderFiles(const std::wstring& folder, std::vector<std::wstring>& files) {
    std::error_code error;
    const fs::path root = ToFsPath(folder);
    if (!fs::is_directory(fs::symlink_status(root, error))) return false;
    fs::recursive_directory_iterator it(root, error), end;
    if (error) return false;
    for (; it != end; it.increment(error)) {
        if (error) return false;
        if (fs::is_regular_file(it->symlink_status(error)))
            files.push_back(FromFsPath(it->path().lexically_relative(root)));
    }
    std::sort(files.begin(), files.end());
    return true;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder + name;
    return folder + L"\\" + name;
}

std::wstring ToolFolder() {
#if defined(_WIN32)
    wchar_t path[32768] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, 32768);
    std::wstring text(path, length < 32768 ? length : 0);
#else
    char path[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::wstring text =
        length > 0 ? sys::WidePath(std::string(path, static_cast<size_t>(length))) : std::wstring();
#endif
    const size_t slash = text.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : text.substr(0, slash);
}
