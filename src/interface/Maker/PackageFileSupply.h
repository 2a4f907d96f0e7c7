// The program package's files written straight into their places, in the order the copy asks for
// them: each file is made once, where it belongs, with its time set through the handle that wrote
// it. Helper threads inflate the next files ahead into a bounded amount of memory, so the copy
// itself mostly makes files and writes bytes; a large file is inflated by the copy as it writes
// it, never held whole.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "interface/Maker/PackageReader.h"

class PackageFileSupply {
public:
    using Job = uint32_t;  // the entry a file comes from
    // Write's results besides 0 and the failures (negative, or a system error of the source).
    static constexpr int kExists = 1;  // something is at the path: nothing was written
    static constexpr int kStaged = 2;  // the entry holds more than its one file: it went to the staging folder

    // jobs: in the order Write will ask for them. threads: helpers inflating ahead (0: one per
    // processor).
    PackageFileSupply(PackageReader& reader, const PackageRecord& package, std::vector<Job> jobs,
                      std::wstring stagingFolder, unsigned threads = 0);
    ~PackageFileSupply();
    PackageFileSupply(const PackageFileSupply&) = delete;
    PackageFileSupply& operator=(const PackageFileSupply&) = delete;

    // Makes path new and writes the job's file into it, with the last-write time timeMs (negative:
    // none). Jobs are asked in order; a job may be asked again, for another path, until a later
    // one is asked. 0, kExists, kStaged, or a failure.
    int Write(size_t job, const std::wstring& path, int64_t timeMs);

    // Files up to this many bytes are inflated ahead; larger ones by Write itself.
    static constexpr uint64_t kAheadFileLimit = 256 * 1024;
    // The ring the helpers inflate into: what they may hold at once. One block, taken and given
    // back in job order, so nothing is allocated per file.
    static constexpr size_t kAheadBytes = 2 * 1024 * 1024;
    static constexpr size_t kBatchJobs = 8;

private:
    enum class State : uint8_t { Waiting, Inflating, Ready, ByWriter, Failed };
    struct Slot {
        State state = State::Waiting;
        int16_t error = 0;  // a failure code (negative)
        bool several = false;  // the entry holds more than one item
        bool inRing = false;   // holds ring space
        // In the ring (a few megabytes): where its bytes are, how many, and how many it holds
        // with those skipped at the ring's end before it.
        uint32_t offset = 0;
        uint32_t size = 0;
        uint32_t taken = 0;
    };

    void Inflate();
    // Takes the next job for a helper when the ring has room for it (under the lock).
    bool TakeNext();
    int InflateAhead(size_t entry, Slot& slot);
    int WriteBytes(const Slot& slot, const std::wstring& path, int64_t timeMs);
    int StageEntry(size_t entry);
    int WriteStreaming(size_t entry, const std::wstring& path, int64_t timeMs);
    // Gives back what the jobs before first hold (under the lock, none of them inflating).
    void ReleaseBefore(size_t first);

    PackageReader& m_reader;
    const PackageRecord& m_package;
    std::vector<Job> m_jobs;
    std::wstring m_staging;

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Slot> m_slots;
    std::vector<uint8_t> m_ring;
    size_t m_ringHead = 0;
    size_t m_ringUsed = 0;
    size_t m_nextToInflate = 0;
    size_t m_released = 0;  // slots before this one are given back
    size_t m_inflating = 0;
    bool m_writerWaits = false;
    size_t m_helpersWaiting = 0;
    bool m_stop = false;
    std::vector<std::thread> m_helpers;
};
