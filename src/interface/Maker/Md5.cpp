#include "interface/Maker/Md5.h"

std::optional<Md5::Digest> Md5::Of(const void* data, size_t size) {
    Md5 md5;
    md5.Update(data, size);
    return md5.Final();
}
