// The Win32 file source: one handle opened for reading, shared for reading; reads seek first, one
// at a time.
#include "interface/Maker/PackageSource.h"

#include <windows.h>

#include <mutex>

#include "system/Win32Handles.h"

namespace {

class FileSource final : public IPackageSource {
public:
    FileSource(sys::UniqueHandle file, uint64_t size) : m_file(std::move(file)), m_size(size) {}
    uint64_t Size() const override { return m_size; }
    int ReadAt(uint64_t offset, void* buffer, size_t size) override {
        // Threads extracting at once share the handle and its position. A read that names its
        // offset would be simpler, but costs Wine a server call for each one.
        std::lock_guard<std::mutex> guard(m_lock);
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        if (!::SetFilePointerEx(m_file.get(), position, nullptr, FILE_BEGIN)) return static_cast<int>(::GetLastError());
        auto* bytes = static_cast<char*>(buffer);
        while (size > 0) {
            DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
            DWORD read = 0;
            if (!::ReadFile(m_file.get(), bytes, chunk, &read, nullptr)) return static_cast<int>(::GetLastError());
            if (read == 0) return ERROR_HANDLE_EOF;
            bytes += read;
            size -= read;
        }
        return 0;
    }

private:
    sys::UniqueHandle m_file;
    uint64_t m_size;
    std::mutex m_lock;
};

}  // namespace

std::unique_ptr<IPackageSource> OpenPackageFile(const std::wstring& path, int& error) {
    sys::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = static_cast<int>(::GetLastError());
        return nullptr;
    }
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size)) {
        error = static_cast<int>(::GetLastError());
        return nullptr;
    }
    error = 0;
    return std::make_unique<FileSource>(std::move(file), static_cast<uint64_t>(size.QuadPart));
}

std::unique_ptr<IPackageSource> OpenOwnExecutable(int& error) {
    wchar_t path[512] = {};
    DWORD len = ::GetModuleFileNameW(nullptr, path, 512);
    if (len == 0 || len >= 512) {
        error = len == 0 ? static_cast<int>(::GetLastError()) : ERROR_INSUFFICIENT_BUFFER;
        return nullptr;
    }
    return OpenPackageFile(path, error);
}
