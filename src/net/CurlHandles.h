// Owners of libcurl's handles, so that every way out of a request cleans them up.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace net {

struct CurlEasyCleanup {
    void operator()(CURL* handle) const {
        if (handle) curl_easy_cleanup(handle);
    }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;

struct CurlMultiCleanup {
    void operator()(CURLM* handle) const {
        if (handle) curl_multi_cleanup(handle);
    }
};
using CurlMulti = std::unique_ptr<CURLM, CurlMultiCleanup>;

struct CurlSlistCleanup {
    void operator()(curl_slist* list) const {
        if (list) curl_slist_free_all(list);
    }
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistCleanup>;

// libcurl's global state, set up once per process before the first handle (thread-safe).
void EnsureCurlGlobal();

}  // namespace net
