// The libraries the product is built on are present and configured as the product needs them.
#include <gtest/gtest.h>

#include <curl/curl.h>
#include <openssl/evp.h>
#include <tinyxml.h>
#include <zlib.h>

#include <string>

TEST(Dependencies, ZlibCrc32AndDeflate) {
    const char text[] = "123456789";
    EXPECT_EQ(crc32(0L, reinterpret_cast<const Bytef*>(text), 9), 0xCBF43926u);
    uLongf size = compressBound(9);
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(text), 9, 9), Z_OK);
}

TEST(Dependencies, TinyXmlParsesWithStl) {
    TiXmlDocument doc;
    doc.Parse("<Product name=\"Quilly\"><Component/></Product>");
    ASSERT_FALSE(doc.Error());
    std::string name;
    EXPECT_EQ(doc.RootElement()->QueryStringAttribute("name", &name), TIXML_SUCCESS);
    EXPECT_EQ(name, "Quilly");
}

TEST(Dependencies, CurlHasTlsAndHttp2) {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    EXPECT_TRUE(info->features & CURL_VERSION_SSL);
    EXPECT_TRUE(info->features & CURL_VERSION_HTTP2);
}

TEST(Dependencies, Md5FromLibcrypto) {
    unsigned char digest[16];
    unsigned int len = 0;
    EVP_Digest("abc", 3, digest, &len, EVP_md5(), nullptr);
    ASSERT_EQ(len, 16u);
    EXPECT_EQ(digest[0], 0x90);
    EXPECT_EQ(digest[15], 0x72);
}
