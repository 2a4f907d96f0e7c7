// MD5 through CNG (BCrypt).
#include "interface/Maker/Md5.h"

#include <windows.h>
#include <bcrypt.h>

struct Md5::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    void Open() {
        if (!algorithm) BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0);
        if (algorithm && !hash) BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0);
    }
    ~State() {
        if (hash) BCryptDestroyHash(hash);
        if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
    }
};

Md5::Md5() : m_state(new State) { m_state->Open(); }
Md5::~Md5() = default;

void Md5::Update(const void* data, size_t size) {
    const auto* bytes = static_cast<const UCHAR*>(data);
    while (size > 0 && m_state->hash) {
        ULONG chunk = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
        BCryptHashData(m_state->hash, const_cast<PUCHAR>(bytes), chunk, 0);
        bytes += chunk;
        size -= chunk;
    }
}

Md5::Digest Md5::Final() {
    Digest digest{};
    if (m_state->hash) {
        BCryptFinishHash(m_state->hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
        BCryptDestroyHash(m_state->hash);
        m_state->hash = nullptr;
    }
    m_state->Open();
    return digest;
}

Md5::Digest Md5::Of(const void* data, size_t size) {
    Md5 md5;
    md5.Update(data, size);
    return md5.Final();
}
