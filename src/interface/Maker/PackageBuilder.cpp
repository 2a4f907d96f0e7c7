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

// Workers pack entries ahead of the writer: always up to `window` entries, and further while the
// finished archives waiting for the writer stay below kAheadBytes, so one slow large file does not
// leave the other cores idle behind it while memory stays bounded. Entries are taken in order.
class EntryPacker {
public:
    EntryPacker(const std::vector<EntrySource>& sources, unsigned workers, const pkg::PackTime& packTime)
        : m_sources(sources),
          m_packTime(packTime),
          m_window(std::max<size_t>(2, 2 * workers)),
          m_packed(sources.size()) {
        for (unsigned t = 0; t < std::min<size_t>(workers, sources.size()); ++t)
            m_pool.emplace_back([this] { Work(); });
    }
    ~EntryPacker() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_stop = true;
        }
        m_changed.notify_all();
        for (auto& t : m_pool) t.join();
    }
    EntryPacker(const EntryPacker&) = delete;
    EntryPacker& operator=(const EntryPacker&) = delete;

    // Entry i, once packed; the next call takes entry i + 1.
    PackedEntry Take(size_t i) {
        PackedEntry entry;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            m_changed.wait(guard, [&] { return m_packed[i].done; });
            entry = std::move(m_packed[i]);
            m_waitingBytes -= entry.archive.size();
            m_nextToWrite = i + 1;
        }
        m_changed.notify_all();
        return entry;
    }

private:
    static constexpr uint64_t kAheadBytes = 64ull << 20;
    static constexpr size_t kAheadEntries = 1024;

    void Work() {
        std::vector<uint8_t> data;
        const size_t n = m_sources.size();
        for (;;) {
            size_t i;
            {
                std::unique_lock<std::mutex> guard(m_lock);
                m_changed.wait(guard, [&] {
                    return m_stop || m_nextToPack >= n || m_nextToPack < m_nextToWrite + m_window ||
                           (m_waitingBytes < kAheadBytes && m_nextToPack < m_nextToWrite + kAheadEntries);
                });
                if (m_stop || m_nextToPack >= n) return;
                i = m_nextToPack++;
            }
            PackedEntry result = Pack(m_sources[i], data);
            {
                std::lock_guard<std::mutex> guard(m_lock);
                m_waitingBytes += result.archive.size();
                m_packed[i] = std::move(result);
            }
            m_changed.notify_all();
        }
    }

    PackedEntry Pack(const EntrySource& source, std::vector<uint8_t>& data) const {
        PackedEntry result;
        if (source.content) {
            data.assign(source.content->begin(), source.content->end());
        } else if (source.sourcePath.empty() || !sys::ReadWholeFile(source.sourcePath, data)) {
            result.done = true;
            return result;
        }
        if (pkg::IsSafeItemName(source.name) && data.size() <= 0xFFFFFFFFu) {
            result.ok = PackEntryArchive(source.name, data.data(), data.size(), m_packTime, result.archive) &&
                        result.archive.size() <= 0xFFFFFFFFu;
            result.uncompressedSize = static_cast<uint32_t>(data.size());
        }
        result.done = true;
        return result;
    }

    const std::vector<EntrySource>& m_sources;
    const pkg::PackTime m_packTime;
    const size_t m_window;
    std::vector<PackedEntry> m_packed;
    std::mutex m_lock;
    std::condition_variable m_changed;
    size_t m_nextToPack = 0, m_nextToWrite = 0;
    uint64_t m_waitingBytes = 0;  // archives packed but not yet written
    bool m_stop = false;
    std::vector<std::thread> m_pool;
};

}  // namespace

// What the entries' writing leaves for the index and the tail.
struct PackageBuilder::WrittenEntries {
    Md5 digest;
    std::vector<uint8_t> indexRecords;
    std::vector<std::wstring> names;
    uint64_t size = 0;
    uint64_t uncompressed = 0;
};

bool PackEntryArchive(const std::wstring& name, const uint8_t* data, size_t size, const pkg::PackTime& time,
                      std::vector<uint8_t>& archive) {
    std::string item = sys::WideToUtf8(name);
    std::replace(item.begin(), item.end(), '\\', '/');
    return pkg::BuildSingleItemZip(item, data, size, time, archive);
}

EntrySource ResolveEntry(const PackFileEntry& entry, const std::wstring& baseFolder) {
    EntrySource source;
    source.content = entry.content;
    const std::wstring path = sys::Utf8ToWide(entry.path);
    if (!entry.from.empty()) {
        source.name = path;
        source.sourcePath = entry.from;
    } else if (HasPrefixRule(path)) {
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

int PackageBuilder::BuildFirstPackage(const BuildSettings& settings,
                                      const std::vector<PackFileEntry>& entries, uint32_t kind) {
    if (m_progress) std::fprintf(m_progress, "Build packags.\n");
    m_settings = settings;
    std::vector<uint8_t> image;
    if (!sys::ReadWholeFile(settings.setupImagePath, image) || image.size() < pkg::kPackageKindWordOffset + 4 ||
        image.size() > 0xFFFFFFFFu) {
        if (m_progress)
            std::fprintf(m_progress, "Open SetupImagePath fail. [%s]\n",
                         sys::WideToUtf8(settings.setupImagePath).c_str());
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
    uint8_t placeholder[pkg::kHeaderSize] = {};
    pkg::WriteLE32(placeholder, pkg::kHeaderMagic);
    if (!Append(placeholder, sizeof(placeholder)) || std::fflush(m_out.get()) != 0) return -1;

    std::vector<EntrySource> sources;
    for (const auto& entry : entries) sources.push_back(ResolveEntry(entry, m_settings.baseFolder));
    WrittenEntries written;
    if (!WriteEntries(sources, checkExists, written) || std::fflush(m_out.get()) != 0) return -1;
    if (!WriteIndexAndTail(written)) return -1;
    if (m_progress && m_progressStyle == ProgressStyle::InPlace) std::fprintf(m_progress, "\n");
    return 0;
}

bool PackageBuilder::WriteEntries(const std::vector<EntrySource>& sources, bool checkExists,
                                  WrittenEntries& written) {
    EntryPacker packer(sources, m_workers, m_packTime ? *m_packTime : pkg::PackTime::Now());
    const size_t n = sources.size();
    for (size_t i = 0; i < n; ++i) {
        const EntrySource& source = sources[i];
        if (checkExists && !source.content && !sys::PathExists(source.sourcePath)) return false;
        if (m_progress) {
            const char* format = m_progressStyle == ProgressStyle::InPlace ? "\rProcessing [%d/%d] %-50s    \t"
                                                                           : "Processing [%d/%d] %s\n";
            std::fprintf(m_progress, format, static_cast<int>(i + 1), static_cast<int>(n),
                         sys::WideToUtf8(source.sourcePath).c_str());
            std::fflush(m_progress);
        }
        const PackedEntry entry = packer.Take(i);
        if (!entry.ok) return false;
        pkg::EntryHeader header;
        header.uncompressedSize = entry.uncompressedSize;
        header.storedSize = static_cast<uint32_t>(entry.archive.size());
        header.crc32 =
            static_cast<uint32_t>(crc32(0L, entry.archive.data(), static_cast<uInt>(entry.archive.size())));
        uint8_t raw[pkg::kEntryHeaderSize];
        pkg::EncodeEntryHeader(header, raw);
        if (!Append(raw, sizeof(raw)) || !Append(entry.archive.data(), entry.archive.size())) return false;
        written.digest.Update(raw, sizeof(raw));
        written.digest.Update(entry.archive.data(), entry.archive.size());
        written.size += sizeof(raw) + entry.archive.size();
        written.names.push_back(source.name);
        written.indexRecords.insert(written.indexRecords.end(), raw, raw + sizeof(raw));
        written.uncompressed += entry.uncompressedSize;
    }
    return true;
}

bool PackageBuilder::WriteIndexAndTail(WrittenEntries& written) {
    // Index block, then the scrambled names.
    const std::vector<uint8_t> nameBlock = pkg::ScrambleNames(written.names);
    pkg::IndexHeader index;
    index.entryCount = static_cast<uint32_t>(written.names.size());
    index.nameBlockOffset = written.names.empty() ? 32 : 16 + 16 * index.entryCount;
    index.nameBlockSize = static_cast<uint32_t>(nameBlock.size());
    std::vector<uint8_t> indexBytes(pkg::kIndexHeaderSize);
    pkg::EncodeIndexHeader(index, indexBytes.data());
    if (written.names.empty()) indexBytes.resize(32, 0);
    indexBytes.insert(indexBytes.end(), written.indexRecords.begin(), written.indexRecords.end());
    if (!Append(indexBytes.data(), indexBytes.size()) || !Append(nameBlock.data(), nameBlock.size()) ||
        std::fflush(m_out.get()) != 0) {
        return false;
    }

    const uint64_t runningSize = pkg::kHeaderSize + written.size + indexBytes.size() + nameBlock.size();
    if (runningSize + pkg::kTailSize > 0xFFFFFFFFu ||
        m_packageStart + runningSize + pkg::kTailSize > 0xFFFFFFFFu) {
        return false;  // offsets in the format are 32-bit
    }
    pkg::PackageHeader header;
    header.totalSize = static_cast<uint32_t>(runningSize + pkg::kTailSize);
    header.entryCount = index.entryCount;
    header.indexOffset = static_cast<uint32_t>(pkg::kHeaderSize + written.size);
    header.tailOffset = static_cast<uint32_t>(runningSize);
    header.uncompressedSize = static_cast<uint32_t>(written.uncompressed);
    uint8_t headerBytes[pkg::kHeaderSize];
    pkg::EncodeHeader(header, headerBytes);
    if (!WriteAt(m_packageStart, headerBytes, sizeof(headerBytes))) return false;

    pkg::PackageTail tail;
    tail.totalSize = header.totalSize;
    const auto headerDigest = Md5::Of(headerBytes, sizeof(headerBytes));
    const auto indexDigest = Md5::Of(indexBytes.data(), indexBytes.size());
    const auto entriesDigest = written.digest.Final();
    if (!headerDigest || !indexDigest || !entriesDigest) return false;
    tail.headerDigest = *headerDigest;
    tail.indexDigest = *indexDigest;
    tail.entriesDigest = *entriesDigest;
    tail.buildTime = UtcNow();
    uint8_t tailBytes[pkg::kTailSize];
    pkg::EncodeTail(tail, tailBytes);
    return Append(tailBytes, sizeof(tailBytes)) && std::fflush(m_out.get()) == 0;
}
