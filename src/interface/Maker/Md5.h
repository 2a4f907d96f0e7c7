// MD5 (RFC 1321) from the platform: CNG on Windows, libcrypto elsewhere. A platform failure is
// logged once and makes the digest fail; it never turns into a zero digest that every package
// would then fail to match without a hint.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class Md5 {
public:
    using Digest = std::array<uint8_t, 16>;

    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    void Update(const void* data, size_t size);
    // The digest of everything fed so far, or nothing when the platform failed at any step; the
    // object starts over afterwards.
    std::optional<Digest> Final();

    static std::optional<Digest> Of(const void* data, size_t size);
    // 32 lower-case hexadecimal digits.
    static std::string Hex(const Digest& digest);

private:
    struct State;
    std::unique_ptr<State> m_state;
};
