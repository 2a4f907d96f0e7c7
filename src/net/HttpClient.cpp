#include "net/HttpClient.h"

#include <curl/curl.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "net/CurlHandles.h"
#include "net/TransferPolicy.h"
#include "net/UpdateServer.h"

namespace net {

void EnsureCurlGlobal() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

}  // namespace net

namespace {

struct CookieJar {
    std::mutex lock;
    std::vector<std::string> lines;
};

CookieJar& Jar() {
    static CookieJar jar;
    return jar;
}

size_t AppendBody(char* data, size_t size, size_t count, void* target) {
    auto* response = static_cast<std::string*>(target);
    const size_t bytes = size * count;
    if (!response || bytes == 0) return static_cast<size_t>(-1);
    // An answer past the limit is no answer of the update server: taking fewer bytes than
    // offered ends the transfer as failed.
    if (response->size() + bytes > kMaxAnswerBytes) return 0;
    response->append(data, bytes);
    return bytes;
}

void Wait(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Replaces the jar by every cookie the handle holds.
void StoreCookies(CURL* handle) {
    curl_slist* cookies = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_COOKIELIST, &cookies) != CURLE_OK) return;
    net::CurlSlist owned(cookies);
    std::vector<std::string> lines;
    for (curl_slist* line = cookies; line; line = line->next) lines.emplace_back(line->data);
    std::lock_guard<std::mutex> guard(Jar().lock);
    Jar().lines.swap(lines);
}

}  // namespace

CHttpClient::CHttpClient(CURL* handle) : m_handle(handle) {}

CHttpClient::~CHttpClient() {
    if (m_owned && m_handle) curl_easy_cleanup(m_handle);
}

int CHttpClient::Get(const std::string& url, std::string& response) {
    return Request(url, nullptr, response);
}

int CHttpClient::Post(const std::string& url, const std::string& body, std::string& response) {
    return Request(url, &body, response);
}

int CHttpClient::Request(const std::string& url, const std::string* body, std::string& response) {
    net::EnsureCurlGlobal();
    if (!m_handle) {
        m_handle = curl_easy_init();
        if (!m_handle) return kHttpNoHandle;
        m_owned = true;
    }
    CURL* curl = m_handle;
    if (verbose) {
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
        if (debugHook) curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, debugHook);
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    // Read without the lock: no other request runs at the same time.
    const std::vector<std::string>& jar = Jar().lines;
    if (jar.empty()) {
        curl_easy_setopt(curl, CURLOPT_COOKIELIST, "ALL");
    } else {
        for (const std::string& line : jar) curl_easy_setopt(curl, CURLOPT_COOKIELIST, line.c_str());
    }
    if (body) {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->c_str());
    }
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    net::ApplyTransferPolicy(curl);
    const HttpTimings& timings = GetHttpTimings();
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, timings.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_DNS_CACHE_TIMEOUT, 259200L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);

    for (int attempt = 0; attempt < 2; ++attempt) {
        // Each try starts with an empty answer: a failed try's error page must not spoil the
        // body of the try that succeeds.
        response.clear();
        const CURLcode result = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (result == CURLE_OK && status == 200) {
            StoreCookies(curl);
            return kHttpOk;
        }
        Wait(timings.tryWaitMs);
    }
    // What the last try left (an error page, half a body) is not the caller's to read.
    response.clear();
    return kHttpFailed;
}

namespace {

// Two attempts of request on one handle, waitMs after every failed one.
template <typename Request>
int TwoAttempts(unsigned waitMs, Request request) {
    net::EnsureCurlGlobal();
    net::CurlEasy handle(curl_easy_init());
    if (!handle) return kHttpNoHandle;
    int result = kHttpFailed;
    for (int attempt = 0; attempt < 2; ++attempt) {
        CHttpClient client(handle.get());
        result = request(client);
        if (result == kHttpOk) break;
        if (waitMs) Wait(waitMs);
    }
    return result;
}

}  // namespace

int HttpGetRequest(const std::string& url, std::string& response) {
    return TwoAttempts(GetHttpTimings().attemptWaitMs,
                       [&](CHttpClient& client) { return client.Get(url, response); });
}

int HttpPostRequest(const std::string& body, std::string& response) {
    const std::string address = ConfirmFormUrl();
    return TwoAttempts(0, [&](CHttpClient& client) { return client.Post(address, body, response); });
}

std::vector<std::string> CookieJarLines() {
    std::lock_guard<std::mutex> guard(Jar().lock);
    return Jar().lines;
}

void ClearCookieJar() {
    std::lock_guard<std::mutex> guard(Jar().lock);
    Jar().lines.clear();
}
