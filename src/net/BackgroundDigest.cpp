#include "net/BackgroundDigest.h"

#include <algorithm>
#include <system_error>

BackgroundDigest::BackgroundDigest(size_t batchBytes) : m_batchBytes(batchBytes) {
    m_filling.reserve(m_batchBytes);
    m_hashing.reserve(m_batchBytes);
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to be had: the batches are hashed where they fill.
    }
}

BackgroundDigest::~BackgroundDigest() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BackgroundDigest::Update(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const size_t take = (std::min)(size, m_batchBytes - m_filling.size());
        m_filling.insert(m_filling.end(), bytes, bytes + take);
        bytes += take;
        size -= take;
        if (m_filling.size() == m_batchBytes) HandOver();
    }
}

std::optional<Md5::Digest> BackgroundDigest::Final() {
    if (!m_filling.empty()) HandOver();
    std::unique_lock<std::mutex> lock(m_lock);
    WaitIdle(lock);
    return m_md5.Final();
}

void BackgroundDigest::HandOver() {
    if (!m_thread.joinable()) {
        m_md5.Update(m_filling.data(), m_filling.size());
        m_filling.clear();
        return;
    }
    {
        std::unique_lock<std::mutex> lock(m_lock);
        WaitIdle(lock);
        m_filling.swap(m_hashing);
        m_busy = true;
    }
    m_changed.notify_all();
    m_filling.clear();
}

void BackgroundDigest::WaitIdle(std::unique_lock<std::mutex>& lock) {
    m_changed.wait(lock, [this] { return !m_busy; });
}

void BackgroundDigest::Run() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_busy || m_stop; });
        if (m_busy) {
            lock.unlock();
            m_md5.Update(m_hashing.data(), m_hashing.size());
            lock.lock();
            m_busy = false;
            m_changed.notify_all();
        } else {
            return;
        }
    }
}
