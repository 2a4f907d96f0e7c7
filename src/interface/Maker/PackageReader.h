// Finds the packages in a carrier file, verifies them and extracts their entries.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "interface/Maker/PackageFormat.h"
#include "interface/Maker/PackageSource.h"
#include "interface/Maker/ZipMemory.h"

struct PackageRecord {
    uint32_t start = 0;     // file offset of the package
    uint32_t indexPos = 0;  // start + index offset
    uint32_t tailPos = 0;   // start + tail offset
    pkg::PackageHeader header;
    pkg::IndexHeader index;
    std::vector<pkg::EntryHeader> entries;
    std::vector<uint64_t> dataOffsets;  // file offset of each entry's ZIP archive
    pkg::NameList names;
    pkg::PackageTail tail;
};

// How a package is extracted.
struct PackageExtractOptions {
    // Entries left out (by index; entries past its end are extracted): the copy takes them
    // straight from the package.
    const std::vector<bool>* leaveOut = nullptr;
    // Entries extracted at once; 0: one per processor.
    unsigned threads = 0;
};

class PackageReader {
public:
    static constexpr int kDigestFailed = -4;

    // Walks and verifies the packages: 0, a system error of the source (a failed seek or read), -2
    // when a package fails its tail digests or its index does not fit inside it, or kDigestFailed
    // when no digest could be computed (no package of the file is used then). A position that
    // fails the header checks ends the walk with success.
    int Open(std::unique_ptr<IPackageSource> source);

    const std::vector<PackageRecord>& Packages() const { return m_packages; }
    // The line logged for what ended the walk ("Pkg Head verify failed | nret 255", ...); empty
    // when the walk met nothing of the kind.
    const std::string& Problem() const { return m_problem; }
    uint32_t PackageKind() const { return m_kind; }

    // What one extraction of many entries learns once: folders known to hold no link, and folders
    // it made. Thousands of entries share a few folders, and each check is a file-system query.
    struct ExtractionCache {
        std::unordered_set<std::wstring> plainFolders;
        std::unordered_set<std::wstring> madeFolders;
    };
    using ExtractOptions = PackageExtractOptions;
    // Extracts one entry into folder: 0, a system error of the source, or -1. With a cache, the
    // caller has made folder the current directory.
    int ExtractEntry(const PackageRecord& package, size_t entry, const std::wstring& folder,
                     ExtractionCache* cache = nullptr);
    // The entry's archive, read through a window of the source: a large item is inflated as it is
    // read, never held whole.
    std::unique_ptr<pkg::ZipMemoryReader> OpenEntryArchive(const PackageRecord& package, size_t entry);
    // False for an item whose sizes cannot be (deflate expands by at most about 1032:1): nothing
    // of that size may be allocated or written.
    static bool PlausibleItem(const pkg::ZipItemInfo& item);

    // Every entry, on several threads that take the entries in index order. The result is that of
    // the first failing entry in index order, as one thread going through them would find it:
    // after a failure no later entry is started, every earlier one is finished.
    int ExtractPackage(const PackageRecord& package, const std::wstring& folder, const ExtractOptions& options = {});

private:
    int ReadPackage(uint32_t start, const pkg::PackageHeader& header, PackageRecord& record);
    int DigestRange(uint64_t offset, uint64_t size, std::array<uint8_t, 16>& digest);
    // Logs the line and keeps it as the walk's problem.
    void Problem(const char* format, int code);

    std::unique_ptr<IPackageSource> m_source;
    std::vector<PackageRecord> m_packages;
    uint32_t m_kind = 0;
    std::string m_problem;
};
