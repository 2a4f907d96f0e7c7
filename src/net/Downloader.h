// Fetches one file in a fixed number of byte ranges at once over one libcurl multi handle
// (multiplexed over HTTP/2 where the server offers it), each range into a part file, then joins
// the parts into the target while it computes the MD5 digest.
#pragma once

#include <atomic>
#include <memory>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

typedef void CURL;
typedef void CURLM;

class CDownloader {
public:
    // progress(total, received, speed): the low halves of the sizes, the reporting part's average
    // speed in bytes per second. Called on the downloading thread.
    using ProgressFn = std::function<void(uint32_t total, uint32_t received, double speed)>;

    // Paths are UTF-8; an empty expectedMd5 means no check.
    CDownloader(std::string partUrl, std::string sizeUrl, std::string outputPath, std::string expectedMd5,
                ProgressFn progress, unsigned partCount);
    ~CDownloader();
    CDownloader(const CDownloader&) = delete;
    CDownloader& operator=(const CDownloader&) = delete;

    // The size the file must have (as announced with it); 0, the default, takes any size.
    void ExpectSize(uint64_t bytes) { m_expectedSize = bytes; }
    // The download stops (and fails) at its next received data once *flag is true.
    void StopWhen(const std::atomic<bool>* flag) { m_stop = flag; }

    // True when every range arrived whole, the target was written and its digest matched. A
    // target that fails is removed, and so are the part files.
    bool Download();

    // The size a 2xx answer to a header-only GET announces (redirects followed, over a connection
    // of its own); 0 when the answer is not 2xx or its length unknown or zero.
    static uint64_t GetRemoteSize(const std::string& url);
    // The byte ranges [first, last] of size bytes in at most partCount parts: the last part takes
    // the remainder, and a file smaller than partCount comes in as many parts as it has bytes.
    static std::vector<std::pair<uint64_t, uint64_t>> Ranges(uint64_t size, unsigned partCount);
    // outputPath + "-" + index.
    static std::string PartName(const std::string& outputPath, unsigned index);

    struct Part;

private:
    // The target is made (empty) and the remote size matches what was announced.
    bool PrepareTarget();
    // One transfer per range, each into its part file, added to multi.
    void AddPartTransfers(CURLM* multi, const std::vector<std::pair<uint64_t, uint64_t>>& ranges);
    // Drives the transfers until none runs, then keeps each one's result.
    void RunTransfers(CURLM* multi);
    // Every range arrived whole, as the answer to its request. Takes the transfers off multi.
    bool PartsComplete(CURLM* multi, size_t rangeCount);
    bool Join();
    void RemovePartFiles();
    static size_t WritePart(char* data, size_t size, size_t count, void* part);
    static size_t ReadHeader(char* data, size_t size, size_t count, void* part);

    std::string m_partUrl, m_sizeUrl, m_outputPath, m_expectedMd5;
    unsigned m_partCount;
    uint64_t m_totalSize = 0;
    uint64_t m_received = 0;
    uint64_t m_expectedSize = 0;
    ProgressFn m_progress;
    const std::atomic<bool>* m_stop = nullptr;
    std::mutex m_lock;
    std::vector<std::unique_ptr<Part>> m_parts;
    std::vector<std::string> m_partNames;
};
