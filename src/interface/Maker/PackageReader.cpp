// Package walking and extraction. Sizes read from the file are checked against the package and
// the file before anything of that size is allocated or read.
#include "interface/Maker/PackageReader.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "common/log/log4z.h"
#include "interface/Maker/Md5.h"
#include "interface/Maker/ZipMemory.h"
#include "system/FileHelpers.h"
#include "system/OutputFile.h"
#include "system/TextConv.h"

namespace {

constexpr char kLogSource[] = "interface/Maker/SetupPkg";
constexpr size_t kCopyChunk = 256 * 1024;
// What one read of an entry's archive takes: most entries whole, a large one in pieces.
constexpr size_t kReadWindow = 64 * 1024;
constexpr size_t kMaxFolderChars = 260;

// The first link among the target folder and the folders of the item name below it; empty when
// there is none. Extraction writes only where it created the folders itself or found plain ones,
// never through a link planted in a folder others can write to. Folders of one extraction already
// known to hold no link (checked, or made by the extraction) are not asked again: thousands of
// entries share a few folders, and each check is a file-system query. The file itself is made
// new, so a link under its name shows when it is created.
bool IsLinkUnlessKnown(const std::wstring& folder, std::unordered_set<std::wstring>* known) {
    if (known && known->count(folder)) return false;
    if (sys::IsLink(folder)) return true;
    if (known) known->insert(folder);
    return false;
}

std::wstring FirstLinkOnFolders(const std::wstring& base, const std::wstring& name,
                                std::unordered_set<std::wstring>* known) {
    std::wstring path = base.substr(0, base.size() - 1);
    if (IsLinkUnlessKnown(path, known)) return path;
    path += L'\\';
    for (wchar_t c : name) {
        if (c == L'/' || c == L'\\') {
            if (IsLinkUnlessKnown(path, known)) return path;
            path += L'\\';
        } else {
            path += c;
        }
    }
    return {};
}

// Makes the item's file new; something already under its name is replaced only when it is a
// plain file (an entry extracted twice, a leftover), never when it is a link. 0 or -1.
int CreateItemFile(sys::OutputFile& out, const std::wstring& path) {
    int created = out.Create(path, false);
    if (created == sys::OutputFile::kExists) {
        if (sys::IsLink(path)) {
            QYLOG_ERROR("ExtractFile, refused to write through the link %S", path.c_str());
            return -1;
        }
        created = out.Create(path, true);
    }
    return created == 0 ? 0 : -1;
}

unsigned ExtractionThreads(unsigned asked, size_t entries) {
    unsigned threads = asked ? asked : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::max<size_t>(1, std::min<size_t>(threads, entries)));
}

}  // namespace

int PackageReader::Open(std::unique_ptr<IPackageSource> source) {
    m_source = std::move(source);
    m_packages.clear();
    m_problem.clear();
    const uint64_t fileSize = m_source->Size();
    uint8_t word[4] = {};
    uint32_t first = 0;
    if (fileSize >= pkg::kPackageKindWordOffset + 4) {
        if (int rc = m_source->ReadAt(pkg::kPackageKindWordOffset, word, 4)) return rc;
        m_kind = pkg::ReadLE32(word);
        if (int rc = m_source->ReadAt(pkg::kFirstPackageWordOffset, word, 4)) return rc;
        first = pkg::ReadLE32(word);
    }

    for (uint64_t start = first; start != 0 && start < fileSize;) {
        uint8_t raw[pkg::kHeaderSize] = {};
        int code = 255;
        pkg::PackageHeader header;
        if (fileSize - start >= pkg::kHeaderSize) {
            // A read that fails ends the walk with its error; only bytes that were read can fail
            // the header checks.
            if (int rc = m_source->ReadAt(start, raw, sizeof(raw))) {
                m_packages.clear();
                return rc;
            }
            header = pkg::DecodeHeader(raw);
            code = pkg::CheckHeader(header, start, fileSize);
        }
        if (code != 0) {
            Problem("Pkg Head verify failed | nret %d", code);
            break;
        }
        PackageRecord record;
        int rc = ReadPackage(static_cast<uint32_t>(start), header, record);
        if (rc != 0) {
            m_packages.clear();
            return rc;
        }
        m_packages.push_back(std::move(record));
        start += header.totalSize;
    }
    return 0;
}

int PackageReader::ReadPackage(uint32_t start, const pkg::PackageHeader& header, PackageRecord& record) {
    record.start = start;
    record.header = header;
    record.indexPos = start + header.indexOffset;
    record.tailPos = start + header.tailOffset;
    const uint32_t indexArea = header.tailOffset - header.indexOffset;  // header checks keep this positive

    uint8_t raw[pkg::kTailSize];
    if (indexArea < pkg::kIndexHeaderSize) {
        Problem("Pkg Index verify failed | nret %d", -2);
        return -2;
    }
    if (int rc = m_source->ReadAt(record.indexPos, raw, pkg::kIndexHeaderSize)) return rc;
    record.index = pkg::DecodeIndexHeader(raw);
    const uint64_t count = record.index.entryCount;
    const uint64_t nameEnd = static_cast<uint64_t>(record.index.nameBlockOffset) + record.index.nameBlockSize;
    if (pkg::kIndexHeaderSize + 16 * count > indexArea || nameEnd > indexArea ||
        record.index.nameBlockSize > indexArea - pkg::kIndexHeaderSize) {
        Problem("Pkg Index verify failed | nret %d", -2);
        return -2;
    }

    std::vector<uint8_t> records(static_cast<size_t>(16 * count));
    if (!records.empty()) {
        if (int rc = m_source->ReadAt(record.indexPos + pkg::kIndexHeaderSize, records.data(), records.size())) return rc;
    }
    uint64_t offset = start + pkg::kHeaderSize;
    const uint64_t entriesEnd = record.indexPos;
    for (size_t i = 0; i < count; ++i) {
        pkg::EntryHeader entry = pkg::DecodeEntryHeader(records.data() + 16 * i);
        if (offset + pkg::kEntryHeaderSize + entry.storedSize > entriesEnd) {
            Problem("Pkg Index verify failed | nret %d", -2);
            return -2;
        }
        record.entries.push_back(entry);
        record.dataOffsets.push_back(offset + pkg::kEntryHeaderSize);
        offset += pkg::kEntryHeaderSize + entry.storedSize;
    }

    std::vector<uint8_t> block(record.index.nameBlockSize);
    if (!block.empty()) {
        if (int rc = m_source->ReadAt(record.indexPos + record.index.nameBlockOffset, block.data(), block.size())) {
            return rc;
        }
    }
    record.names = pkg::UnscrambleNames(block, static_cast<uint32_t>(count));

    if (int rc = m_source->ReadAt(record.tailPos, raw, pkg::kTailSize)) return rc;
    record.tail = pkg::DecodeTail(raw);
    if (record.tail.magic != pkg::kTailMagic) return 0;  // no digests to compare

    std::array<uint8_t, 16> digest;
    int verdict = 0;
    if (int rc = DigestRange(start, pkg::kHeaderSize, digest)) return rc;
    if (digest != record.tail.headerDigest) verdict = -1;
    if (!verdict) {
        if (int rc = DigestRange(record.indexPos, indexArea - record.index.nameBlockSize, digest)) return rc;
        if (digest != record.tail.indexDigest) verdict = -2;
    }
    if (!verdict) {
        if (int rc = DigestRange(start + pkg::kHeaderSize, header.indexOffset - pkg::kHeaderSize, digest)) return rc;
        if (digest != record.tail.entriesDigest) verdict = -3;
    }
    if (verdict) {
        Problem("Pkg Tail verify failed | iret %d", verdict);
        return -2;
    }
    return 0;
}

int PackageReader::DigestRange(uint64_t offset, uint64_t size, std::array<uint8_t, 16>& digest) {
    Md5 md5;
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(size, 1 << 20)));
    while (size > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(size, chunk.size()));
        if (int rc = m_source->ReadAt(offset, chunk.data(), n)) return rc;
        md5.Update(chunk.data(), n);
        offset += n;
        size -= n;
    }
    const auto value = md5.Final();
    if (!value) {
        Problem("Pkg digest failed | nret %d", kDigestFailed);
        return kDigestFailed;
    }
    digest = *value;
    return 0;
}

void PackageReader::Problem(const char* format, int code) {
    char text[96];
    std::snprintf(text, sizeof(text), format, code);
    m_problem = text;
    QYLOG_ERROR("%s", text);
}

bool PackageReader::PlausibleItem(const pkg::ZipItemInfo& item) {
    if (item.method == 0) return item.uncompressedSize == item.compressedSize;
    return item.uncompressedSize <= item.compressedSize * 1032 + 1024;
}

std::unique_ptr<pkg::ZipMemoryReader> PackageReader::OpenEntryArchive(const PackageRecord& package, size_t entry) {
    const uint64_t start = package.dataOffsets[entry];
    IPackageSource& source = *m_source;
    return std::make_unique<pkg::ZipMemoryReader>(
        [&source, start](uint64_t offset, void* buffer, size_t size) { return source.ReadAt(start + offset, buffer, size); },
        package.entries[entry].storedSize, kReadWindow);
}

int PackageReader::ExtractEntry(const PackageRecord& package, size_t entry, const std::wstring& folder,
                                ExtractionCache* cache) {
    std::wstring base = folder;
    if (base.empty() || base.back() != L'\\') base += L'\\';
    if (base.size() > kMaxFolderChars) {
        QYLOG_ERROR("ExtractFile, target folder too long %S", base.c_str());
        return -1;
    }
    if (!cache) sys::SetCurrentFolder(base);

    const std::unique_ptr<pkg::ZipMemoryReader> archive = OpenEntryArchive(package, entry);
    pkg::ZipMemoryReader& zip = *archive;
    if (!zip.IsOpen() || !zip.First()) {
        if (int rc = zip.ReadError()) return rc;
        QYLOG_ERROR("ExtractFile, entry %d is not a ZIP archive", static_cast<int>(entry));
        return -1;
    }
    do {
        pkg::ZipItemInfo item;
        if (!zip.CurrentInfo(item)) return zip.ReadError() ? zip.ReadError() : -1;
        const std::wstring name = sys::Utf8ToWide(item.name);
        if (!pkg::IsSafeItemName(name)) {
            QYLOG_ERROR("ExtractFile, refused item name outside the target folder %S", name.c_str());
            return -1;
        }
        if (!PlausibleItem(item)) {
            QYLOG_ERROR("ExtractFile, refused item %S with impossible size %llu", name.c_str(),
                        static_cast<unsigned long long>(item.uncompressedSize));
            return -1;
        }
        const std::wstring path = base + name;
        const size_t slash = path.find_last_of(L"/\\");
        std::wstring parent = path.substr(0, slash);
        std::replace(parent.begin(), parent.end(), L'/', L'\\');
        // Checked before any folder is made: what exists must hold no link, what is missing the
        // extraction creates itself.
        if (const std::wstring link = FirstLinkOnFolders(base, name, cache ? &cache->plainFolders : nullptr);
            !link.empty()) {
            QYLOG_ERROR("ExtractFile, refused to write through the link %S", link.c_str());
            return -1;
        }
        // Failures show when the file is created.
        if (!cache || !cache->madeFolders.count(parent)) {
            if (sys::CreateFolderTree(parent) == 0 && cache) cache->madeFolders.insert(parent);
        }

        sys::OutputFile out;
        if (CreateItemFile(out, path) != 0) return -1;
        bool written = true;
        const bool inflated = zip.ReadCurrent(item.uncompressedSize, kCopyChunk, [&](const uint8_t* data, size_t size) {
            written = out.Write(data, size);
            return written;
        });
        if (!out.Close()) written = false;
        if (int rc = zip.ReadError()) return rc;
        if (!inflated || !written) return -1;
    } while (zip.Next());
    return 0;
}

int PackageReader::ExtractPackage(const PackageRecord& package, const std::wstring& folder,
                                  const ExtractOptions& options) {
    std::wstring base = folder;
    if (base.empty() || base.back() != L'\\') base += L'\\';
    sys::SetCurrentFolder(base);
    const size_t count = package.entries.size();
    std::atomic<size_t> next{0};
    std::mutex lock;
    size_t failedEntry = count;  // the first failing entry in index order, under lock
    std::atomic<size_t> stopAfter{count};
    int failedCode = 0;
    auto work = [&] {
        // Each thread keeps its own folder knowledge: a few dozen folders, checked once per thread.
        ExtractionCache cache;
        for (;;) {
            const size_t i = next.fetch_add(1);
            if (i >= count || i > stopAfter.load()) return;
            if (options.leaveOut && i < options.leaveOut->size() && (*options.leaveOut)[i]) continue;
            int rc;
            try {
                rc = ExtractEntry(package, i, folder, &cache);
            } catch (const std::exception& e) {
                QYLOG_ERROR("ExtractFile, entry %d failed: %s", static_cast<int>(i), e.what());
                rc = -1;
            }
            if (rc == 0) continue;
            std::lock_guard<std::mutex> guard(lock);
            if (i < failedEntry) {
                failedEntry = i;
                failedCode = rc;
                stopAfter = i;
            }
        }
    };
    const unsigned threads = ExtractionThreads(options.threads, count);
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return failedCode;
}
