// MD5 through libcrypto's EVP interface.
#include "interface/Maker/Md5.h"

#include <openssl/evp.h>

struct Md5::State {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~State() { EVP_MD_CTX_free(context); }
};

Md5::Md5() : m_state(new State) { EVP_DigestInit_ex(m_state->context, EVP_md5(), nullptr); }
Md5::~Md5() = default;

void Md5::Update(const void* data, size_t size) { EVP_DigestUpdate(m_state->context, data, size); }

Md5::Digest Md5::Final() {
    Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_state->context, digest.data(), &length);
    EVP_DigestInit_ex(m_state->context, EVP_md5(), nullptr);
    return digest;
}

Md5::Digest Md5::Of(const void* data, size_t size) {
    Md5 md5;
    md5.Update(data, size);
    return md5.Final();
}
