// The POSIX file source (tools and tests): pread on one descriptor.
#include "interface/Maker/PackageSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "system/NativePath.h"
#include "system/Process.h"

namespace {

class FileSource final : public IPackageSource {
public:
    FileSource(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    ~FileSource() override { ::close(m_fd); }
    uint64_t Size() const override { return m_size; }
    int ReadAt(uint64_t offset, void* buffer, size_t size) override {
        auto* bytes = static_cast<char*>(buffer);
        while (size > 0) {
            ssize_t n = ::pread(m_fd, bytes, size, static_cast<off_t>(offset));
            if (n < 0) return errno;
            if (n == 0) return EIO;
            bytes += n;
            offset += static_cast<uint64_t>(n);
            size -= static_cast<size_t>(n);
        }
        return 0;
    }

private:
    int m_fd;
    uint64_t m_size;
};

}  // namespace

std::unique_ptr<IPackageSource> OpenPackageFile(const std::wstring& path, int& error) {
    int fd = ::open(sys::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = errno;
        ::close(fd);
        return nullptr;
    }
    error = 0;
    return std::make_unique<FileSource>(fd, static_cast<uint64_t>(st.st_size));
}

std::unique_ptr<IPackageSource> OpenOwnExecutable(int& error) { return OpenPackageFile(sys::ModuleFilePath(), error); }
