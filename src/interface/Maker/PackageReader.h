// Finds the packages in a carrier file, verifies them and extracts their entries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "interface/Maker/PackageFormat.h"
#include "interface/Maker/PackageSource.h"

struct PackageRecord {
    uint32_t start = 0;     // file offset of the package
    uint32_t indexPos = 0;  // start + index offset
    uint32_t tailPos = 0;   // start + tail offset
    pkg::PackageHeader header;
    pkg::IndexHeader index;
    std::vector<pkg::EntryHeader> entries;
    std::vector<uint64_t> dataOffsets;  // file offset of each entry's ZIP archive
    std::vector<std::wstring> names;
    pkg::PackageTail tail;
};

class PackageReader {
public:
    // Walks and verifies the packages: 0, a system error of the source, or -2 when a package fails
    // its tail digests or its index does not fit inside it (no package of the file is used then).
    int Open(std::unique_ptr<IPackageSource> source);

    const std::vector<PackageRecord>& Packages() const { return m_packages; }
    uint32_t PackageKind() const { return m_kind; }

    // Extracts one entry into folder: 0, a system error of the source, or -1.
    int ExtractEntry(const PackageRecord& package, size_t entry, const std::wstring& folder);
    // Every entry in index order, stopping at the first failure.
    int ExtractPackage(const PackageRecord& package, const std::wstring& folder);

private:
    int ReadPackage(uint32_t start, const pkg::PackageHeader& header, PackageRecord& record);
    int DigestRange(uint64_t offset, uint64_t size, std::array<uint8_t, 16>& digest);

    std::unique_ptr<IPackageSource> m_source;
    std::vector<PackageRecord> m_packages;
    uint32_t m_kind = 0;
};
