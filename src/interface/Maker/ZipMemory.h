// One-item ZIP archives built and read in memory through minizip over zlib.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace pkg {

// The moment of packing: ZIP's DOS fields take it in local time, the "UT" extra fields in UTC.
struct PackTime {
    std::time_t utc = 0;
    std::tm local = {};
    static PackTime Now();
    static PackTime At(std::time_t utc);
};

// True for names ending in .Z .zip .zoo .arc .lzh .arj .gz .tgz (any case): kept stored.
bool IsStoredExtension(const std::string& name);

// Builds an archive with exactly one item: deflated at level 9 (flags 0x0002) or stored,
// version needed 20, a 17-byte "UT" field locally and a 9-byte one in the central record.
bool BuildSingleItemZip(const std::string& itemName, const uint8_t* data, size_t size, const PackTime& time,
                        std::vector<uint8_t>& archive);

struct ZipItemInfo {
    std::string name;       // UTF-8, as stored
    uint64_t uncompressedSize = 0;
    uint64_t compressedSize = 0;
    int method = 0;
};

// Reads the items of an archive, in archive order: one held in memory, or one read piece by piece
// through a window of the given size, so a large item is inflated as it arrives and never held
// whole.
class ZipMemoryReader {
public:
    // 0, or the error of the read; the reads stay inside [0, size).
    using ReadAt = std::function<int(uint64_t offset, void* buffer, size_t size)>;

    ZipMemoryReader(const uint8_t* data, size_t size);
    ZipMemoryReader(ReadAt read, uint64_t size, size_t window);
    ~ZipMemoryReader();
    ZipMemoryReader(const ZipMemoryReader&) = delete;
    ZipMemoryReader& operator=(const ZipMemoryReader&) = delete;

    bool IsOpen() const { return m_zip != nullptr; }
    // Moves to the first or next item; false at the end or on a damaged directory.
    bool First();
    bool Next();
    bool CurrentInfo(ZipItemInfo& info);
    // Inflates the current item in chunks of at most chunkSize, at most limit bytes in all; the
    // sink returns false to stop. True when the item was read completely or up to the limit with
    // its data intact.
    bool ReadCurrent(uint64_t limit, size_t chunkSize, const std::function<bool(const uint8_t*, size_t)>& sink);
    // The first failed read of the source, 0 when none failed.
    int ReadError() const;

    struct Stream;  // the memory behind minizip's file functions

private:
    Stream* m_stream;
    void* m_zip = nullptr;
};

}  // namespace pkg
