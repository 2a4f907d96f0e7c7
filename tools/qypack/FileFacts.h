// What a file record states about its file: the digest, size and last-write time of the file
// and, when asked for, the digest and size of the archive the package stores it as.
#pragma once

#include <cstdint>
#include <string>

#include "interface/Maker/ZipMemory.h"

struct FileFacts {
    std::string md5;  // 32 lower-case hexadecimal digits
    uint64_t size = 0;
    int64_t timeMs = 0;  // last write, milliseconds since 1970-01-01 00:00 UTC
    std::string compressMd5;
    uint64_t compressSize = 0;
};

// Reads the file at path. With packTime, also packs it as the entry entryName would be packed at
// that moment. False with a message for the user when the file cannot be read.
bool ReadFileFacts(const std::wstring& path, const std::wstring& entryName, const pkg::PackTime* packTime,
                   FileFacts& facts, std::string& error);
