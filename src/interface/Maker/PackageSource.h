// Where the packages are read from: the installer's own file in the product, any file or memory
// buffer in the tools and tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IPackageSource {
public:
    virtual ~IPackageSource() = default;
    virtual uint64_t Size() const = 0;
    // 0, or the system error of the failed seek or read (a short read counts as failure). Safe to
    // call from several threads at once.
    virtual int ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
};

// Opens a file for reading (shared for reading). On failure returns null and sets error.
std::unique_ptr<IPackageSource> OpenPackageFile(const std::wstring& path, int& error);
// The running executable (module file name, up to 512 characters).
std::unique_ptr<IPackageSource> OpenOwnExecutable(int& error);
// A copy of the bytes.
std::unique_ptr<IPackageSource> MemoryPackageSource(std::vector<uint8_t> bytes);
