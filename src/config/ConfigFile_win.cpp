#include <windows.h>

#include "config/ConfigFile.h"
#include "system/Win32Handles.h"

namespace config {

ConfigFileRead ReadConfigFile(const std::wstring& path, std::string& bytes) {
    sys::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ConfigFileRead::OpenFailed;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size)) return ConfigFileRead::OpenFailed;
    if (size.QuadPart <= 0 || static_cast<uint64_t>(size.QuadPart) > kMaxConfigFileSize) return ConfigFileRead::BadSize;

    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr)) {
            return ConfigFileRead::OpenFailed;
        }
        if (got == 0) break;  // the file shrank while we read it
        done += got;
    }
    bytes.resize(done);
    return done == 0 ? ConfigFileRead::BadSize : ConfigFileRead::Ok;
}

}  // namespace config
