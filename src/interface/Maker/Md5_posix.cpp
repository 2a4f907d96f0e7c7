// MD5 through libcrypto's EVP interface.
#include "interface/Maker/Md5.h"

#include <openssl/evp.h>

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"

struct Md5::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool failed = false;
    ~State() { EVP_MD_CTX_free(context); }
    void Check(int ok, const char* step) {
        if (ok == 1 || failed) return;
        LogPrint(log4z::LOG_LEVEL_ERROR, "Md5, %s failed", step);
        failed = true;
    }
    void Start() {
        failed = false;
        Check(context ? EVP_DigestInit_ex(context, EVP_md5(), nullptr) : 0, "EVP_DigestInit_ex");
    }
};

Md5::Md5() : m_state(new State) { m_state->Start(); }
Md5::~Md5() = default;

void Md5::Update(const void* data, size_t size) {
    if (!m_state->failed) m_state->Check(EVP_DigestUpdate(m_state->context, data, size), "EVP_DigestUpdate");
}

std::optional<Md5::Digest> Md5::Final() {
    Digest digest{};
    unsigned int length = 0;
    if (!m_state->failed) m_state->Check(EVP_DigestFinal_ex(m_state->context, digest.data(), &length), "EVP_DigestFinal_ex");
    const bool ok = !m_state->failed && length == digest.size();
    m_state->Start();
    if (!ok) return std::nullopt;
    return digest;
}
