#include "net/TransferPolicy.h"

#include <curl/curl.h>

#include <mutex>

HttpTimings& GetHttpTimings() {
    static HttpTimings timings;
    return timings;
}

namespace net {

namespace {

struct TestRoots {
    std::mutex lock;
    std::string pemFile;
};

TestRoots& Roots() {
    static TestRoots roots;
    return roots;
}

}  // namespace

void ApplyTransferPolicy(CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // Schannel fails a handshake whose revocation state it cannot learn; best effort keeps a
    // revoked certificate refused but lets an offline machine download.
    curl_easy_setopt(handle, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    // Only the web's two schemes, also after a redirect.
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    const HttpTimings& timings = GetHttpTimings();
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, timings.connectTimeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, timings.stallSeconds);
    std::lock_guard<std::mutex> guard(Roots().lock);
    if (!Roots().pemFile.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, Roots().pemFile.c_str());
}

void SetTestRoots(const std::string& pemFile) {
    std::lock_guard<std::mutex> guard(Roots().lock);
    Roots().pemFile = pemFile;
}

}  // namespace net
