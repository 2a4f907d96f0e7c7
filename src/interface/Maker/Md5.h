// MD5 (RFC 1321) from the platform: CNG on Windows, libcrypto elsewhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

class Md5 {
public:
    using Digest = std::array<uint8_t, 16>;

    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    void Update(const void* data, size_t size);
    // The digest of everything fed so far; the object starts over afterwards.
    Digest Final();

    static Digest Of(const void* data, size_t size);

private:
    struct State;
    std::unique_ptr<State> m_state;
};
