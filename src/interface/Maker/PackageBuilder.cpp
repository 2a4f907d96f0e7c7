// Package building. Entries are read and compressed by a small pool of threads, a bounded window
// ahead of the writer, and written strictly in list order, so the bytes do not depend on timing.
#include "interface/Maker/PackageBuilder.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

#include "interface/Maker/PackageReader.h"
#include "interface/Maker/ZipMemory.h"
#include "system/TextConv.h"

namespace {

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& data) {
    sys::UniqueFile in = sys::OpenFile(path, "rb");
    if (!in) return false;
    data.clear();
    uint8_t chunk[1 << 16];
    for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), in.get())) > 0;) data.insert(data.end(), chunk, chunk + n);
    return std::ferror(in.get()) == 0;
}

bool HasPrefixRule(const std::wstring& path) {
    if (path.size() < 2) return path.find(L':') != std::wstring::npos;
    const std::wstring two = path.substr(0, 2);
    return two.find(L':') != std::wstring::npos || two == L"./" || two == L".\\" || two == L"..";
}

pkg::SystemTimeUtc UtcNow() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm = {};
#if defined(_WIN32)
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    pkg::SystemTimeUtc s;
    s.year = static_cast<uint16_t>(tm.tm_year + 1900);
    s.month = static_cast<uint16_t>(tm.tm_mon + 1);
    s.dayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    s.day = static_cast<uint16_t>(tm.tm_mday);
    s.hour = static_cast<uint16_t>(tm.tm_hour);
    s.minute = static_cast<uint16_t>(tm.tm_min);
    s.second = static_cast<uint16_t>(tm.tm_sec);
    s.milliseconds = static_cast<uint16_t>(ms);
    return s;
}

// One entry made ready for writing.
struct PackedEntry {
    bool done = false;
    bool ok = false;
    uint32_t uncompressedSize = 0;
    std::vector<uint8_t> archive;
};

}  // namespace

EntrySource ResolveEntry(const PackFileEntry& entry, const std::wstring& baseFolder) {
    EntrySource source;
    const std::wstring path = sys::Utf8ToWide(entry.path);
    if (HasPrefixRule(path)) {
        if (!entry.newpath.empty()) {
            source.name = sys::Utf8ToWide(entry.newpath);
        } else {
            size_t cut = path.rfind(L'\\');
            if (cut == std::wstring::npos) cut = path.rfind(L'/');
            source.name = cut == std::wstring::npos ? path : path.substr(cut + 1);
        }
        source.sourcePath = path;
    } else {
        source.name = path;
        source.sourcePath = baseFolder + path;
    }
    return source;
}

int PackageBuilder::CreateOutput(const std::wstring& path) {
    m_out = sys::OpenFile(path, "w+b");
    if (!m_out) return -1;
    std::setvbuf(m_out.get(), nullptr, _IOFBF, 1 << 20);
    m_end = 0;
    return 0;
}

bool PackageBuilder::CloseOutput() {
    if (!m_out) return true;
    return std::fclose(m_out.release()) == 0;
}

bool PackageBuilder::Append(const void* data, size_t size) {
    if (!m_out) return false;
    if (size && std::fwrite(data, 1, size, m_out.get()) != size) return false;
    m_end += size;
    return true;
}

bool PackageBuilder::WriteAt(uint64_t offset, const void* data, size_t size) {
#if defined(_WIN32)
    if (_fseeki64(m_out.get(), static_cast<long long>(offset), SEEK_SET) != 0) return false;
#else
    if (fseeko(m_out.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
#endif
    bool ok = std::fwrite(data, 1, size, m_out.get()) == size;
#if defined(_WIN32)
    ok = _fseeki64(m_out.get(), static_cast<long long>(m_end), SEEK_SET) == 0 && ok;
#else
    ok = fseeko(m_out.get(), static_cast<off_t>(m_end), SEEK_SET) == 0 && ok;
#endif
    return ok;
}

int PackageBuilder::BuildFirstPackage(const BuildSettings& settings, const std::vector<PackFileEntry>& entries,
                                      uint32_t kind) {
    if (m_progress) std::fprintf(m_progress, "Build packags.\n");
    m_settings = settings;
    std::vector<uint8_t> image;
    if (!ReadWholeFile(settings.setupImagePath, image) || image.size() < pkg::kPackageKindWordOffset + 4 ||
        image.size() > 0xFFFFFFFFu) {
        if (m_progress) std::fprintf(m_progress, "Open SetupImagePath fail. [%s]\n", sys::WideToUtf8(settings.setupImagePath).c_str());
        return -1;
    }
    pkg::WriteLE32(image.data() + pkg::kFirstPackageWordOffset, static_cast<uint32_t>(image.size()));
    pkg::WriteLE32(image.data() + pkg::kPackageKindWordOffset, kind);
    if (!Append(image.data(), image.size()) || std::fflush(m_out.get()) != 0) return -1;
    return BuildPackage(entries, false);
}

int PackageBuilder::AppendPackage(const std::vector<PackFileEntry>& entries, bool checkExists) {
    return BuildPackage(entries, checkExists);
}

int PackageBuilder::BuildPackage(const std::vector<PackFileEntry>& entries, bool checkExists) {
    if (!m_out) return -1;
    m_packageStart = m_end;
    const pkg::PackTime packTime = pkg::PackTime::Now();

    uint8_t placeholder[pkg::kHeaderSize] = {};
    pkg::WriteLE32(placeholder, pkg::kHeaderMagic);
    if (!Append(placeholder, sizeof(placeholder)) || std::fflush(m_out.get()) != 0) return -1;

    std::vector<EntrySource> sources;
    for (const auto& entry : entries) sources.push_back(ResolveEntry(entry, m_settings.baseFolder));

    // Workers pack entries ahead of the writer: always up to `window` entries, and further while the
    // finished archives waiting for the writer stay below kAheadBytes, so one slow large file does
    // not leave the other cores idle behind it while memory stays bounded.
    constexpr uint64_t kAheadBytes = 64ull << 20;
    constexpr size_t kAheadEntries = 1024;
    const size_t n = sources.size();
    const size_t window = std::max<size_t>(2, 2 * m_workers);
    std::vector<PackedEntry> packed(n);
    std::mutex lock;
    std::condition_variable changed;
    size_t nextToPack = 0, nextToWrite = 0;
    uint64_t waitingBytes = 0;  // archives packed but not yet written
    bool stop = false;
    auto worker = [&] {
        std::vector<uint8_t> data;
        for (;;) {
            size_t i;
            {
                std::unique_lock<std::mutex> guard(lock);
                changed.wait(guard, [&] {
                    return stop || nextToPack >= n || nextToPack < nextToWrite + window ||
                           (waitingBytes < kAheadBytes && nextToPack < nextToWrite + kAheadEntries);
                });
                if (stop || nextToPack >= n) return;
                i = nextToPack++;
            }
            PackedEntry result;
            const EntrySource& source = sources[i];
            if (!source.sourcePath.empty() && pkg::IsSafeItemName(source.name) && ReadWholeFile(source.sourcePath, data) &&
                data.size() <= 0xFFFFFFFFu) {
                std::string item = sys::WideToUtf8(source.name);
                std::replace(item.begin(), item.end(), '\\', '/');
                result.ok = pkg::BuildSingleItemZip(item, data.data(), data.size(), packTime, result.archive) &&
                            result.archive.size() <= 0xFFFFFFFFu;
                result.uncompressedSize = static_cast<uint32_t>(data.size());
            }
            result.done = true;
            {
                std::lock_guard<std::mutex> guard(lock);
                waitingBytes += result.archive.size();
                packed[i] = std::move(result);
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < std::min<size_t>(m_workers, n); ++t) pool.emplace_back(worker);

    Md5 entriesDigest;
    std::vector<uint8_t> indexRecords;
    std::vector<std::wstring> names;
    uint64_t entriesSize = 0, uncompressed = 0;
    bool ok = true;
    for (size_t i = 0; i < n && ok; ++i) {
        const EntrySource& source = sources[i];
        if (checkExists && !sys::PathExists(source.sourcePath)) {
            ok = false;
            break;
        }
        if (m_progress) {
            std::fprintf(m_progress, "\rProcessing [%d/%d] %-50s    \t", static_cast<int>(i + 1), static_cast<int>(n),
                         sys::WideToUtf8(source.sourcePath).c_str());
            std::fflush(m_progress);
        }
        PackedEntry entry;
        {
            std::unique_lock<std::mutex> guard(lock);
            changed.wait(guard, [&] { return packed[i].done; });
            entry = std::move(packed[i]);
            waitingBytes -= entry.archive.size();
            nextToWrite = i + 1;
        }
        changed.notify_all();
        if (!entry.ok) {
            ok = false;
            break;
        }
        pkg::EntryHeader header;
        header.uncompressedSize = entry.uncompressedSize;
        header.storedSize = static_cast<uint32_t>(entry.archive.size());
        header.crc32 = static_cast<uint32_t>(
            crc32(0L, entry.archive.data(), static_cast<uInt>(entry.archive.size())));
        uint8_t raw[pkg::kEntryHeaderSize];
        pkg::EncodeEntryHeader(header, raw);
        if (!Append(raw, sizeof(raw)) || !Append(entry.archive.data(), entry.archive.size())) {
            ok = false;
            break;
        }
        entriesDigest.Update(raw, sizeof(raw));
        entriesDigest.Update(entry.archive.data(), entry.archive.size());
        entriesSize += sizeof(raw) + entry.archive.size();
        names.push_back(source.name);
        indexRecords.insert(indexRecords.end(), raw, raw + sizeof(raw));
        uncompressed += entry.uncompressedSize;
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        stop = true;
    }
    changed.notify_all();
    for (auto& t : pool) t.join();
    if (!ok || std::fflush(m_out.get()) != 0) return -1;

    // Index block, then the scrambled names.
    const std::vector<uint8_t> nameBlock = pkg::ScrambleNames(names);
    pkg::IndexHeader index;
    index.entryCount = static_cast<uint32_t>(names.size());
    index.nameBlockOffset = names.empty() ? 32 : 16 + 16 * index.entryCount;
    index.nameBlockSize = static_cast<uint32_t>(nameBlock.size());
    std::vector<uint8_t> indexBytes(pkg::kIndexHeaderSize);
    pkg::EncodeIndexHeader(index, indexBytes.data());
    if (names.empty()) indexBytes.resize(32, 0);
    indexBytes.insert(indexBytes.end(), indexRecords.begin(), indexRecords.end());
    if (!Append(indexBytes.data(), indexBytes.size()) || !Append(nameBlock.data(), nameBlock.size()) ||
        std::fflush(m_out.get()) != 0) {
        return -1;
    }

    const uint64_t runningSize = pkg::kHeaderSize + entriesSize + indexBytes.size() + nameBlock.size();
    if (runningSize + pkg::kTailSize > 0xFFFFFFFFu || m_packageStart + runningSize + pkg::kTailSize > 0xFFFFFFFFu) {
        return -1;  // offsets in the format are 32-bit
    }
    pkg::PackageHeader header;
    header.totalSize = static_cast<uint32_t>(runningSize + pkg::kTailSize);
    header.entryCount = index.entryCount;
    header.indexOffset = static_cast<uint32_t>(pkg::kHeaderSize + entriesSize);
    header.tailOffset = static_cast<uint32_t>(runningSize);
    header.uncompressedSize = static_cast<uint32_t>(uncompressed);
    uint8_t headerBytes[pkg::kHeaderSize];
    pkg::EncodeHeader(header, headerBytes);
    if (!WriteAt(m_packageStart, headerBytes, sizeof(headerBytes))) return -1;

    pkg::PackageTail tail;
    tail.totalSize = header.totalSize;
    const auto headerDigest = Md5::Of(headerBytes, sizeof(headerBytes));
    const auto indexDigest = Md5::Of(indexBytes.data(), indexBytes.size());
    const auto entriesDigestValue = entriesDigest.Final();
    if (!headerDigest || !indexDigest || !entriesDigestValue) return -1;
    tail.headerDigest = *headerDigest;
    tail.indexDigest = *indexDigest;
    tail.entriesDigest = *entriesDigestValue;
    tail.buildTime = UtcNow();
    uint8_t tailBytes[pkg::kTailSize];
    pkg::EncodeTail(tail, tailBytes);
    if (!Append(tailBytes, sizeof(tailBytes)) || std::fflush(m_out.get()) != 0) return -1;
    if (m_progress) std::fprintf(m_progress, "\n");
    return 0;
}
