#include "net/Downloader.h"

#include <curl/curl.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/select.h>
#endif

#include <chrono>
#include <cinttypes>
#include <cstring>
#include <optional>
#include <cstdio>
#include <thread>

#include "common/log/log4z.h"
#include "interface/Maker/Md5.h"
#include "net/BackgroundDigest.h"
#include "net/CurlHandles.h"
#include "net/TransferPolicy.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"
#include "system/TextRules.h"

namespace {

constexpr char kLogSource[] = "net/Downloader";
constexpr long kMaxRedirects = 5;

std::wstring Wide(const std::string& path) {
    return sys::Utf8ToWide(path);
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The part files and the target move hundreds of megabytes: stdio's default few kilobytes would
// make a system call of every 4096-byte block the join copies.
void LargeStreamBuffer(std::FILE* file) {
    constexpr size_t kStreamBuffer = 256 * 1024;
    std::setvbuf(file, nullptr, _IOFBF, kStreamBuffer);
}

size_t IgnoreHeader(char*, size_t size, size_t count, void* collected) {
    static_cast<std::string*>(collected)->append(size * count, ' ');
    return size * count;
}

}  // namespace

struct CDownloader::Part {
    sys::UniqueFile file;
    CDownloader* owner = nullptr;
    unsigned index = 0;
    net::CurlEasy handle;
    uint64_t first = 0, last = 0;
    uint64_t written = 0;
    std::string contentRange;  // of the last response (after redirects)
    CURLcode result = CURLE_OK;
    bool done = false;
};

CDownloader::CDownloader(std::string partUrl, std::string sizeUrl, std::string outputPath,
                         std::string expectedMd5, ProgressFn progress, unsigned partCount)
    : m_partUrl(std::move(partUrl)),
      m_sizeUrl(std::move(sizeUrl)),
      m_outputPath(std::move(outputPath)),
      m_expectedMd5(std::move(expectedMd5)),
      m_partCount(partCount),
      m_progress(std::move(progress)) {}

CDownloader::~CDownloader() = default;

std::string CDownloader::PartName(const std::string& outputPath, unsigned index) {
    return outputPath + "-" + std::to_string(index);
}

std::vector<std::pair<uint64_t, uint64_t>> CDownloader::Ranges(uint64_t size, unsigned partCount) {
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    if (size == 0 || partCount == 0) return ranges;
    const uint64_t parts = partCount < size ? partCount : size;
    const uint64_t chunk = size / parts;
    for (uint64_t i = 0; i < parts; ++i) {
        ranges.emplace_back(i * chunk, i + 1 == parts ? size - 1 : (i + 1) * chunk - 1);
    }
    return ranges;
}

uint64_t CDownloader::GetRemoteSize(const std::string& url) {
    net::EnsureCurlGlobal();
    net::CurlEasy handle(curl_easy_init());
    if (!handle) return 0;
    CURL* curl = handle.get();
    std::string headers;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "GET");
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &IgnoreHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headers);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // Its own connection: no leftover of another transfer is read as this answer.
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    net::ApplyTransferPolicy(curl);
    const CURLcode performed = curl_easy_perform(curl);
    if (performed != CURLE_OK) {
        QYLOG_ERROR("GetRemoteSize, no answer from %s: %s", url.c_str(), curl_easy_strerror(performed));
        return 0;
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    // An error page's length is not the file's size.
    if (status < 200 || status > 299 || length <= 0) {
        QYLOG_ERROR("GetRemoteSize, no size for %s, status %ld, length %" PRId64, url.c_str(), status,
                    static_cast<int64_t>(length));
        return 0;
    }
    return static_cast<uint64_t>(length);
}

size_t CDownloader::WritePart(char* data, size_t size, size_t count, void* param) {
    auto* part = static_cast<Part*>(param);
    const size_t bytes = size * count;
    if (!part) return bytes;
    // Fewer bytes than offered end the transfer.
    if (part->owner->m_stop && part->owner->m_stop->load()) return 0;
    const size_t written = part->file ? std::fwrite(data, 1, bytes, part->file.get()) : 0;
    part->written += written;
    CDownloader* self = part->owner;
    std::lock_guard<std::mutex> guard(self->m_lock);
    self->m_received += written;
    curl_off_t bytesPerSecond = 0;
    curl_easy_getinfo(part->handle.get(), CURLINFO_SPEED_DOWNLOAD_T, &bytesPerSecond);
    const double speed = static_cast<double>(bytesPerSecond);
    if (self->m_progress && self->m_totalSize != 0 && self->m_received != 0) {
        self->m_progress(static_cast<uint32_t>(self->m_totalSize), static_cast<uint32_t>(self->m_received),
                         speed);
    }
    return written;
}

size_t CDownloader::ReadHeader(char* data, size_t size, size_t count, void* param) {
    auto* part = static_cast<Part*>(param);
    const std::string line(data, size * count);
    // Each response (a redirect first, then the range) starts with its status line.
    if (StartsWith(line, "HTTP/")) part->contentRange.clear();
    if (sys::StartsWithNoCase(line, "content-range:")) {
        part->contentRange = std::string(sys::Trim(std::string_view(line).substr(14)));
    }
    return size * count;
}

bool CDownloader::Download() {
    net::EnsureCurlGlobal();
    if (!PrepareTarget()) return false;
    net::CurlMulti multi(curl_multi_init());
    const auto ranges = Ranges(m_totalSize, m_partCount);
    if (multi) {
        AddPartTransfers(multi.get(), ranges);
        RunTransfers(multi.get());
    }
    const bool complete = PartsComplete(multi.get(), ranges.size());
    multi.reset();
    for (const auto& part : m_parts) part->handle.reset();
    if (!complete) {
        RemovePartFiles();
        sys::RemoveFile(Wide(m_outputPath));
        return false;
    }
    return Join();
}

bool CDownloader::PrepareTarget() {
    {
        sys::UniqueFile target = sys::OpenFile(Wide(m_outputPath), "wb+");
        if (!target) {
            QYLOG_ERROR("Download, cannot create %s", m_outputPath.c_str());
            return false;
        }
    }
    m_totalSize = GetRemoteSize(m_sizeUrl);
    // Without a known size no range would be right: nothing is requested.
    if (m_totalSize == 0) {
        QYLOG_ERROR("Download, the size of %s is unknown, nothing downloaded", m_sizeUrl.c_str());
        sys::RemoveFile(Wide(m_outputPath));
        return false;
    }
    // Another size than the announced one is another file: nothing of it is fetched.
    if (m_expectedSize != 0 && m_totalSize != m_expectedSize) {
        QYLOG_ERROR("Download, %s has %" PRIu64 " bytes, announced %" PRIu64 ", nothing downloaded",
                    m_sizeUrl.c_str(), m_totalSize, m_expectedSize);
        sys::RemoveFile(Wide(m_outputPath));
        return false;
    }
    return true;
}

void CDownloader::AddPartTransfers(CURLM* multi, const std::vector<std::pair<uint64_t, uint64_t>>& ranges) {
    for (unsigned i = 0; i < ranges.size(); ++i) {
        net::CurlEasy handle(curl_easy_init());
        if (!handle) break;
        auto owned = std::make_unique<Part>();
        Part* part = owned.get();
        part->owner = this;
        part->index = i;
        part->first = ranges[i].first;
        part->last = ranges[i].second;
        part->handle = std::move(handle);
        m_parts.push_back(std::move(owned));
        m_partNames.push_back(PartName(m_outputPath, i));
        part->file = sys::OpenFile(Wide(m_partNames.back()), "wb+");
        if (!part->file) continue;  // its transfer then fails and the download with it
        LargeStreamBuffer(part->file.get());
        CURL* curl = part->handle.get();
        char range[64];
        std::snprintf(range, sizeof(range), "%" PRIu64 "-%" PRIu64, part->first, part->last);
        curl_easy_setopt(curl, CURLOPT_RANGE, range);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, part);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CDownloader::WritePart);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, part);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &CDownloader::ReadHeader);
        curl_easy_setopt(curl, CURLOPT_URL, m_partUrl.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2_0));
        // A range that stops flowing fails instead of holding the download for ever.
        net::ApplyTransferPolicy(curl);
        curl_easy_setopt(curl, CURLOPT_PIPEWAIT, 1L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        // Download hosts redirect; the ranges follow as the size query does.
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_multi_add_handle(multi, curl);
    }
}

void CDownloader::RunTransfers(CURLM* multi) {
    int running = 0;
    curl_multi_setopt(multi, CURLMOPT_PIPELINING, static_cast<long>(CURLPIPE_MULTIPLEX));
    curl_multi_perform(multi, &running);
    while (running) {
        long timeoutMs = -1;
        curl_multi_timeout(multi, &timeoutMs);
        struct timeval wait = {1, 0};
        if (timeoutMs >= 0 && timeoutMs < 2000) {
            wait.tv_sec = timeoutMs / 1000;
            wait.tv_usec = (timeoutMs % 1000) * 1000;
        }
        fd_set readSet, writeSet, errorSet;
        FD_ZERO(&readSet);
        FD_ZERO(&writeSet);
        FD_ZERO(&errorSet);
        int maxFd = -1;
        const CURLMcode code = curl_multi_fdset(multi, &readSet, &writeSet, &errorSet, &maxFd);
        if (code != CURLM_OK) {
            std::fprintf(stderr, "curl_multi_fdset() failed, code %d.\n", static_cast<int>(code));
            break;
        }
        if (maxFd == -1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            curl_multi_perform(multi, &running);
        } else if (select(maxFd + 1, &readSet, &writeSet, &errorSet, &wait) != -1) {
            curl_multi_perform(multi, &running);
        }
    }
    // The transfers' own results, before the handles go.
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        for (const auto& part : m_parts) {
            if (part->handle.get() != message->easy_handle) continue;
            part->result = message->data.result;
            part->done = true;
        }
    }
}

bool CDownloader::PartsComplete(CURLM* multi, size_t rangeCount) {
    bool complete = !m_parts.empty() && m_parts.size() == rangeCount;
    for (const auto& part : m_parts) {
        long status = 0;
        curl_easy_getinfo(part->handle.get(), CURLINFO_RESPONSE_CODE, &status);
        const uint64_t expected = part->last - part->first + 1;
        char wanted[96];
        std::snprintf(wanted, sizeof(wanted), "bytes %" PRIu64 "-%" PRIu64 "/%" PRIu64, part->first,
                      part->last, m_totalSize);
        // A 200 with the whole file is a right answer only for a single part that is the whole file.
        const bool whole = rangeCount == 1 && status == 200;
        const bool ranged = status == 206 && part->contentRange == wanted;
        if (part->file) std::fflush(part->file.get());
        if (!part->file || !part->done || part->result != CURLE_OK || !(whole || ranged) ||
            part->written != expected) {
            QYLOG_ERROR("Download, part %u (%s) failed, result %d, status %ld, %" PRIu64 " of %" PRIu64
                        " bytes",
                        part->index, m_partNames[part->index].c_str(), static_cast<int>(part->result), status,
                        part->written, expected);
            complete = false;
        }
        if (multi) curl_multi_remove_handle(multi, part->handle.get());
    }
    return complete;
}

bool CDownloader::Join() {
    sys::UniqueFile target = sys::OpenFile(Wide(m_outputPath), "wb+");
    if (!target) return false;
    LargeStreamBuffer(target.get());
    // The digest is computed beside the copy rather than after each block of it.
    std::optional<BackgroundDigest> digest;
    if (!m_expectedMd5.empty()) digest.emplace();
    std::vector<char> block(4096);
    bool written = true;
    for (const auto& part : m_parts) {
        std::FILE* file = part->file.get();
        std::fseek(file, 0, SEEK_SET);
        size_t read = 0;
        while ((read = std::fread(block.data(), 1, block.size(), file)) > 0) {
            if (digest) digest->Update(block.data(), read);
            written = written && std::fwrite(block.data(), 1, read, target.get()) == read;
        }
        part->file.reset();
    }
    written = std::fflush(target.get()) == 0 && written;
    target.reset();
    RemovePartFiles();
    // Nothing that failed a check stays behind to be started by someone else.
    if (!written) {
        QYLOG_ERROR("Download, cannot write %s", m_outputPath.c_str());
        sys::RemoveFile(Wide(m_outputPath));
        return false;
    }
    if (!digest) return true;
    const std::optional<Md5::Digest> result = digest->Final();
    const std::string hex = result ? Md5::Hex(*result) : std::string();
    if (result && sys::EqualsNoCase(hex, m_expectedMd5)) return true;
    QYLOG_ERROR("Download, MD5 of %s is %s, expected %s", m_outputPath.c_str(), hex.c_str(),
                m_expectedMd5.c_str());
    sys::RemoveFile(Wide(m_outputPath));
    return false;
}

void CDownloader::RemovePartFiles() {
    for (const auto& part : m_parts) part->file.reset();
    for (const std::string& name : m_partNames) sys::RemoveFile(Wide(name));
}
