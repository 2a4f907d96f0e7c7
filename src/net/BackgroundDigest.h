// An MD5 computed on a thread of its own while the caller goes on copying: the bytes are gathered
// into batches, and each full batch is hashed while the next one fills.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "interface/Maker/Md5.h"

class BackgroundDigest {
public:
    explicit BackgroundDigest(size_t batchBytes = 1 << 20);
    ~BackgroundDigest();
    BackgroundDigest(const BackgroundDigest&) = delete;
    BackgroundDigest& operator=(const BackgroundDigest&) = delete;

    void Update(const void* data, size_t size);
    // The digest of everything fed, as Md5::Final gives it.
    std::optional<Md5::Digest> Final();

private:
    void HandOver();  // the filled batch to the hashing thread, once it is free
    void WaitIdle(std::unique_lock<std::mutex>& lock);
    void Run();

    Md5 m_md5;
    size_t m_batchBytes;
    std::vector<char> m_filling, m_hashing;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_busy = false;  // m_hashing (and m_md5) belong to the thread while set
    bool m_stop = false;
    std::thread m_thread;  // not joinable: hashed on the caller's thread instead
};
