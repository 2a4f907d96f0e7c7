#include "system/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "system/NativePath.h"

namespace sys {

OutputFile::~OutputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

int OutputFile::Create(const std::wstring& path, bool replace) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (replace ? O_TRUNC : O_EXCL);
    const int fd = ::open(NativePath(path).c_str(), flags, 0644);
    if (fd < 0) return errno == EEXIST ? kExists : errno;
    m_fd = fd;
    return 0;
}

bool OutputFile::Write(const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool OutputFile::SetTimes(int64_t lastWriteMs) {
    const int64_t seconds = lastWriteMs / 1000;
    if (seconds < 0) return false;
    struct timespec times[2] = {};
    times[1].tv_sec = static_cast<time_t>(seconds);
    return ::futimens(m_fd, times) == 0;
}

bool OutputFile::Close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd >= 0 && ::close(fd) == 0;
}

}  // namespace sys
