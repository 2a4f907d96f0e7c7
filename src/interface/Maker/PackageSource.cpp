// The memory source, shared by every platform.
#include "interface/Maker/PackageSource.h"

#include <cstring>

namespace {

class MemorySource final : public IPackageSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    uint64_t Size() const override { return m_bytes.size(); }
    int ReadAt(uint64_t offset, void* buffer, size_t size) override {
        if (offset > m_bytes.size() || size > m_bytes.size() - offset) return 38;  // ERROR_HANDLE_EOF
        if (size) std::memcpy(buffer, m_bytes.data() + offset, size);
        return 0;
    }

private:
    std::vector<uint8_t> m_bytes;
};

}  // namespace

std::unique_ptr<IPackageSource> MemoryPackageSource(std::vector<uint8_t> bytes) {
    return std::make_unique<MemorySource>(std::move(bytes));
}
