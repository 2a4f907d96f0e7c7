// Short HTTP requests to the update server: one libcurl easy handle per operation, cookies kept
// across requests in one process-wide jar, two tries per request.
#pragma once

#include <string>
#include <vector>

#include "net/TransferPolicy.h"

// Results of a request.
constexpr int kHttpOk = 0;        // the transfer completed with status 200
constexpr int kHttpNoHandle = 2;  // no libcurl handle could be made
constexpr int kHttpFailed = 22;   // no try completed with status 200

// The longest answer the update server gives; a longer one fails its transfer.
constexpr size_t kMaxAnswerBytes = 1024 * 1024;

class CHttpClient {
public:
    // handle may be null: the client then makes one on first use and owns it.
    explicit CHttpClient(CURL* handle = nullptr);
    ~CHttpClient();
    CHttpClient(const CHttpClient&) = delete;
    CHttpClient& operator=(const CHttpClient&) = delete;

    int Get(const std::string& url, std::string& response);
    int Post(const std::string& url, const std::string& body, std::string& response);

    int verbose = 0;
    int (*debugHook)(CURL*, int, char*, size_t, void*) = nullptr;

private:
    int Request(const std::string& url, const std::string* body, std::string& response);
    CURL* m_handle;
    bool m_owned = false;
};

// GET with two attempts of two tries each, 3 s after every failed attempt. 0, 2 or 22; on a
// failure the response is empty.
int HttpGetRequest(const std::string& url, std::string& response);
// POST of body to the update server's confirm-form address, two attempts without a wait.
int HttpPostRequest(const std::string& body, std::string& response);

// The cookie jar's lines (libcurl's cookie-list format), for tests.
std::vector<std::string> CookieJarLines();
void ClearCookieJar();
