#include "interface/Maker/PackageFileSupply.h"

#include <algorithm>

#include "common/log/log4z.h"
#include "system/OutputFile.h"

namespace {

constexpr char kLogSource[] = "interface/Maker/SetupPkg";
constexpr size_t kWriteChunk = 256 * 1024;
// InflateAhead's answer for an item that is not what the index promised: Write inflates it.
constexpr int kByWriter = 3;

}  // namespace

PackageFileSupply::PackageFileSupply(PackageReader& reader, const PackageRecord& package, std::vector<Job> jobs,
                                     std::wstring stagingFolder, unsigned threads)
    : m_reader(reader), m_package(package), m_jobs(std::move(jobs)), m_staging(std::move(stagingFolder)) {
    m_slots.resize(m_jobs.size());
    // The copy itself keeps a processor busy making files: the helpers take the others.
    const unsigned processors = std::thread::hardware_concurrency();
    const unsigned wanted = threads ? threads : std::max(1u, processors > 1 ? processors - 1 : 1u);
    const size_t helpers = std::min<size_t>(wanted, m_jobs.size());
    if (helpers) m_ring.resize(kAheadBytes);
    for (size_t i = 0; i < helpers; ++i) m_helpers.emplace_back([this] { Inflate(); });
}

PackageFileSupply::~PackageFileSupply() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& helper : m_helpers) helper.join();
}

bool PackageFileSupply::TakeNext() {
    const size_t job = m_nextToInflate;
    Slot& slot = m_slots[job];
    const uint64_t size = m_package.entries[m_jobs[job]].uncompressedSize;
    if (size > kAheadFileLimit) {
        // Too large to hold: the copy inflates it as it writes it.
        slot.state = State::ByWriter;
    } else {
        // The bytes go where the ring's free part begins, or to its start when they do not fit
        // before its end (the rest of the end is held with them).
        const size_t start = m_ringHead + size <= m_ring.size() ? m_ringHead : 0;
        const size_t taken = static_cast<size_t>(size) + (start == 0 ? m_ring.size() - m_ringHead : 0) % m_ring.size();
        if (m_ringUsed + taken > m_ring.size()) return false;
        slot.offset = static_cast<uint32_t>(start);
        slot.size = static_cast<uint32_t>(size);
        slot.taken = static_cast<uint32_t>(taken);
        slot.inRing = true;
        slot.state = State::Inflating;
        m_ringHead = start + slot.size;
        m_ringUsed += taken;
        ++m_inflating;
    }
    ++m_nextToInflate;
    return true;
}

void PackageFileSupply::Inflate() {
    for (;;) {
        size_t first, count = 0;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            // A few jobs at a time: every lock and wake-up costs Wine a server call.
            for (;;) {
                if (m_stop || m_nextToInflate >= m_jobs.size()) return;
                first = m_nextToInflate;
                while (count < kBatchJobs && m_nextToInflate < m_jobs.size() && TakeNext()) ++count;
                if (count) break;
                ++m_helpersWaiting;
                m_changed.wait(guard);
                --m_helpersWaiting;
            }
        }
        bool wake = false;
        for (size_t job = first; job < first + count; ++job) {
            Slot& slot = m_slots[job];
            if (slot.state != State::Inflating) continue;  // left to the copy
            int rc;
            try {
                rc = InflateAhead(m_jobs[job], slot);
            } catch (const std::exception& e) {
                QYLOG_ERROR("ExtractFile, entry %d failed: %s", static_cast<int>(m_jobs[job]), e.what());
                rc = -1;
            }
            std::lock_guard<std::mutex> guard(m_lock);
            slot.error = static_cast<int16_t>(rc < 0 ? -1 : rc);
            slot.state = rc == kByWriter ? State::ByWriter : rc != 0 ? State::Failed : State::Ready;
            --m_inflating;
            wake = wake || m_writerWaits;
        }
        if (wake) m_changed.notify_all();
    }
}

int PackageFileSupply::InflateAhead(size_t entry, Slot& slot) {
    const std::unique_ptr<pkg::ZipMemoryReader> archive = m_reader.OpenEntryArchive(m_package, entry);
    pkg::ZipMemoryReader& zip = *archive;
    pkg::ZipItemInfo item;
    if (!zip.IsOpen() || !zip.First() || !zip.CurrentInfo(item)) {
        QYLOG_ERROR("ExtractFile, entry %d is not a ZIP archive", static_cast<int>(entry));
        return -1;
    }
    if (item.uncompressedSize != slot.size) return kByWriter;
    uint8_t* out = m_ring.data() + slot.offset;
    size_t done = 0;
    const bool inflated = zip.ReadCurrent(slot.size, kAheadFileLimit, [&](const uint8_t* data, size_t size) {
        std::copy(data, data + size, out + done);
        done += size;
        return true;
    });
    if (!inflated || done != slot.size || zip.ReadError()) {
        QYLOG_ERROR("ExtractFile, entry %d cannot be inflated, err %d", static_cast<int>(entry), zip.ReadError());
        return -1;
    }
    slot.several = zip.Next();
    return 0;
}

void PackageFileSupply::ReleaseBefore(size_t first) {
    for (size_t k = m_released; k < first && k < m_slots.size(); ++k) {
        Slot& slot = m_slots[k];
        if (slot.inRing) m_ringUsed -= slot.taken;
        slot.inRing = false;
    }
    m_released = std::max(m_released, first);
    // Helpers wait for a ring half empty, not for every file the copy finishes.
    if (m_helpersWaiting && m_ringUsed <= m_ring.size() / 2) m_changed.notify_all();
}

int PackageFileSupply::Write(size_t job, const std::wstring& path, int64_t timeMs) {
    if (job >= m_jobs.size()) return -1;
    State state;
    {
        std::unique_lock<std::mutex> guard(m_lock);
        if (job < m_released) return -1;  // asked out of order: its bytes are given back
        if (m_slots[job].state == State::Waiting && m_nextToInflate <= job) {
            // Not reached by the helpers (none, or held back by the ring): the copy inflates it.
            m_nextToInflate = job + 1;
            m_slots[job].state = State::ByWriter;
        }
        // The ring is given back in job order: a job skipped while a helper inflates it waits.
        const auto settled = [&] {
            if (m_slots[job].state == State::Waiting || m_slots[job].state == State::Inflating) return false;
            for (size_t k = m_released; k < job && m_inflating; ++k) {
                if (m_slots[k].state == State::Inflating) return false;
            }
            return true;
        };
        if (!settled()) {
            m_writerWaits = true;
            m_changed.wait(guard, settled);
            m_writerWaits = false;
        }
        ReleaseBefore(job);
        state = m_slots[job].state;
    }
    // The slot stays as it is until a later job is asked: only Write gives it back.
    const Slot& slot = m_slots[job];
    const size_t entry = m_jobs[job];
    switch (state) {
        case State::Failed: return -1;
        case State::Ready: return slot.several ? StageEntry(entry) : WriteBytes(slot, path, timeMs);
        default: return WriteStreaming(entry, path, timeMs);
    }
}

int PackageFileSupply::StageEntry(size_t entry) {
    // The staging folder gets the whole entry, as an extraction of the package would; the copy
    // then takes the file from there. A cache of its own keeps the current directory as it is.
    PackageReader::ExtractionCache cache;
    const int rc = m_reader.ExtractEntry(m_package, entry, m_staging, &cache);
    return rc == 0 ? kStaged : -1;
}

namespace {

// Makes path new: 0, PackageFileSupply::kExists, or -1 (the error logged).
int CreateNew(sys::OutputFile& out, const std::wstring& path) {
    const int created = out.Create(path, false);
    if (created == sys::OutputFile::kExists) return PackageFileSupply::kExists;
    if (created != 0) {
        QYLOG_ERROR("ExtractFile, cannot create %S, err %d", path.c_str(), created);
        return -1;
    }
    return 0;
}

}  // namespace

int PackageFileSupply::WriteBytes(const Slot& slot, const std::wstring& path, int64_t timeMs) {
    sys::OutputFile out;
    if (int created = CreateNew(out, path)) return created;
    bool written = out.Write(m_ring.data() + slot.offset, slot.size);
    if (timeMs >= 0) out.SetTimes(timeMs);
    written = out.Close() && written;
    return written ? 0 : -1;
}

int PackageFileSupply::WriteStreaming(size_t entry, const std::wstring& path, int64_t timeMs) {
    const std::unique_ptr<pkg::ZipMemoryReader> archive = m_reader.OpenEntryArchive(m_package, entry);
    pkg::ZipMemoryReader& zip = *archive;
    pkg::ZipItemInfo item;
    if (!zip.IsOpen() || !zip.First() || !zip.CurrentInfo(item) || !PackageReader::PlausibleItem(item)) {
        QYLOG_ERROR("ExtractFile, entry %d cannot be read", static_cast<int>(entry));
        return -1;
    }
    if (zip.Next()) return StageEntry(entry);
    if (!zip.First()) return -1;
    sys::OutputFile out;
    if (int created = CreateNew(out, path)) return created;
    bool written = true;
    const bool inflated = zip.ReadCurrent(item.uncompressedSize, kWriteChunk, [&](const uint8_t* data, size_t size) {
        written = out.Write(data, size);
        return written;
    });
    if (timeMs >= 0) out.SetTimes(timeMs);
    written = out.Close() && written;
    if (!inflated || !written || zip.ReadError()) {
        QYLOG_ERROR("ExtractFile, entry %d not written to %S, err %d", static_cast<int>(entry), path.c_str(),
                    zip.ReadError());
        return -1;
    }
    return 0;
}
