#include "interface/Maker/Md5.h"

std::optional<Md5::Digest> Md5::Of(const void* data, size_t size) {
    Md5 md5;
    md5.Update(data, size);
    return md5.Final();
}

std::string Md5::Hex(const Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}
