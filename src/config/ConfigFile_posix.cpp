#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config/ConfigFile.h"
#include "system/NativePath.h"

namespace config {

namespace {

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

ConfigFileRead ReadConfigFile(const std::wstring& path, std::string& bytes) {
    Fd file{::open(sys::NativePath(path).c_str(), O_RDONLY)};
    if (file.fd < 0) return ConfigFileRead::OpenFailed;
    struct stat st;
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return ConfigFileRead::OpenFailed;
    if (st.st_size <= 0 || static_cast<uint64_t>(st.st_size) > kMaxConfigFileSize) return ConfigFileRead::BadSize;

    bytes.assign(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(file.fd, &bytes[done], bytes.size() - done);
        if (got < 0) return ConfigFileRead::OpenFailed;
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return done == 0 ? ConfigFileRead::BadSize : ConfigFileRead::Ok;
}

}  // namespace config
