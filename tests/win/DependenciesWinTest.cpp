// The cross-compiled libraries are present and configured as the product needs them.
#include <gtest/gtest.h>

// curl brings winsock2.h, which must come before windows.h.
#include <curl/curl.h>

#include <windows.h>
#include <bcrypt.h>


#include <cstring>
#include <string>

TEST(DependenciesWin, CurlUsesSchannelAndHttp2) {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    EXPECT_TRUE(info->features & CURL_VERSION_SSL);
    EXPECT_TRUE(info->features & CURL_VERSION_HTTP2);
    ASSERT_NE(info->ssl_version, nullptr);
    EXPECT_NE(std::strstr(info->ssl_version, "Schannel"), nullptr) << info->ssl_version;
    EXPECT_EQ(std::strstr(info->ssl_version, "OpenSSL"), nullptr);
}

TEST(DependenciesWin, Md5FromCng) {
    BCRYPT_ALG_HANDLE alg = nullptr;
    ASSERT_EQ(BCryptOpenAlgorithmProvider(&alg, BCRYPT_MD5_ALGORITHM, nullptr, 0), 0);
    unsigned char digest[16] = {};
    BCRYPT_HASH_HANDLE hash = nullptr;
    ASSERT_EQ(BCryptCreateHash(alg, &hash, nullptr, 0, nullptr, 0, 0), 0);
    BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>("abc")), 3, 0);
    BCryptFinishHash(hash, digest, 16, 0);
    BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(alg, 0);
    EXPECT_EQ(digest[0], 0x90);
    EXPECT_EQ(digest[15], 0x72);
}
