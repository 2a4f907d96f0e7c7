// The MD5 wrapper against the test suite of RFC 1321, fed at once and in pieces. Built into the
// native tests (libcrypto) and the Windows tests (CNG).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "interface/Maker/Md5.h"

namespace {

std::string Hex(const std::optional<Md5::Digest>& digest) {
    if (!digest) return "failed";
    std::string text;
    char two[3];
    for (uint8_t b : *digest) std::snprintf(two, sizeof(two), "%02x", b), text += two;
    return text;
}

struct Vector {
    const char* message;
    const char* digest;
};

const Vector kRfc1321[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

}  // namespace

TEST(Md5, Rfc1321SuiteAtOnceAndInPieces) {
    Md5 reused;  // starts over after each Final
    for (const Vector& v : kRfc1321) {
        const std::string message = v.message;
        SCOPED_TRACE(message);
        EXPECT_EQ(Hex(Md5::Of(message.data(), message.size())), v.digest);
        for (size_t piece : {size_t{1}, size_t{7}, size_t{64}}) {
            for (size_t at = 0; at < message.size(); at += piece) {
                reused.Update(message.data() + at, std::min(piece, message.size() - at));
            }
            EXPECT_EQ(Hex(reused.Final()), v.digest) << "pieces of " << piece;
        }
    }
}
