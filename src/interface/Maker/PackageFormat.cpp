// Encoding and decoding of the package structures, and the header checks.
#include "interface/Maker/PackageFormat.h"

#include <cstring>
#include <string_view>

#include "system/FileHelpers.h"
#include "system/TextConv.h"

namespace pkg {

uint32_t ReadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void WriteLE32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

namespace {
uint16_t ReadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void WriteLE16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}
}  // namespace

void EncodeHeader(const PackageHeader& h, uint8_t out[kHeaderSize]) {
    std::memset(out, 0, kHeaderSize);
    WriteLE32(out + 0, h.magic);
    WriteLE32(out + 4, h.version);
    WriteLE32(out + 8, h.totalSize);
    WriteLE32(out + 12, h.entryCount);
    WriteLE32(out + 16, h.indexOffset);
    WriteLE32(out + 20, h.tailOffset);
    WriteLE32(out + 24, h.uncompressedSize);
}

PackageHeader DecodeHeader(const uint8_t in[kHeaderSize]) {
    PackageHeader h;
    h.magic = ReadLE32(in + 0);
    h.version = ReadLE32(in + 4);
    h.totalSize = ReadLE32(in + 8);
    h.entryCount = ReadLE32(in + 12);
    h.indexOffset = ReadLE32(in + 16);
    h.tailOffset = ReadLE32(in + 20);
    h.uncompressedSize = ReadLE32(in + 24);
    return h;
}

void EncodeEntryHeader(const EntryHeader& e, uint8_t out[kEntryHeaderSize]) {
    WriteLE32(out + 0, e.magic);
    WriteLE32(out + 4, e.uncompressedSize);
    WriteLE32(out + 8, e.storedSize);
    WriteLE32(out + 12, e.crc32);
}

EntryHeader DecodeEntryHeader(const uint8_t in[kEntryHeaderSize]) {
    EntryHeader e;
    e.magic = ReadLE32(in + 0);
    e.uncompressedSize = ReadLE32(in + 4);
    e.storedSize = ReadLE32(in + 8);
    e.crc32 = ReadLE32(in + 12);
    return e;
}

void EncodeIndexHeader(const IndexHeader& x, uint8_t out[kIndexHeaderSize]) {
    WriteLE32(out + 0, x.magic);
    WriteLE32(out + 4, x.entryCount);
    WriteLE32(out + 8, x.nameBlockOffset);
    WriteLE32(out + 12, x.nameBlockSize);
}

IndexHeader DecodeIndexHeader(const uint8_t in[kIndexHeaderSize]) {
    IndexHeader x;
    x.magic = ReadLE32(in + 0);
    x.entryCount = ReadLE32(in + 4);
    x.nameBlockOffset = ReadLE32(in + 8);
    x.nameBlockSize = ReadLE32(in + 12);
    return x;
}

void EncodeTail(const PackageTail& t, uint8_t out[kTailSize]) {
    std::memset(out, 0, kTailSize);
    WriteLE32(out + 0, t.magic);
    WriteLE32(out + 4, t.totalSize);
    std::memcpy(out + 16, t.headerDigest.data(), 16);
    std::memcpy(out + 32, t.indexDigest.data(), 16);
    std::memcpy(out + 48, t.entriesDigest.data(), 16);
    const SystemTimeUtc& s = t.buildTime;
    const uint16_t fields[8] = {s.year, s.month, s.dayOfWeek, s.day, s.hour, s.minute, s.second, s.milliseconds};
    for (int i = 0; i < 8; ++i) WriteLE16(out + 64 + 2 * i, fields[i]);
}

PackageTail DecodeTail(const uint8_t in[kTailSize]) {
    PackageTail t;
    t.magic = ReadLE32(in + 0);
    t.totalSize = ReadLE32(in + 4);
    std::memcpy(t.headerDigest.data(), in + 16, 16);
    std::memcpy(t.indexDigest.data(), in + 32, 16);
    std::memcpy(t.entriesDigest.data(), in + 48, 16);
    SystemTimeUtc& s = t.buildTime;
    uint16_t* fields[8] = {&s.year, &s.month, &s.dayOfWeek, &s.day, &s.hour, &s.minute, &s.second, &s.milliseconds};
    for (int i = 0; i < 8; ++i) *fields[i] = ReadLE16(in + 64 + 2 * i);
    return t;
}

int CheckHeader(const PackageHeader& h, uint64_t start, uint64_t fileSize) {
    if (h.magic != kHeaderMagic) return 255;
    if (h.version > kFormatVersion) return 254;
    // An index that starts inside the header would make the entry area negative.
    if (h.indexOffset >= h.tailOffset || h.indexOffset < kHeaderSize) return 253;
    if (static_cast<uint64_t>(h.totalSize) != static_cast<uint64_t>(h.tailOffset) + kTailSize) return 252;
    if (start + h.totalSize > fileSize) return 251;
    return 0;
}

uint32_t NameBlockSize(const std::wstring& name) {
    return 2 * static_cast<uint32_t>(sys::WideToUtf16(name).size() + 1);
}

std::vector<uint8_t> ScrambleNames(const std::vector<std::wstring>& names) {
    std::vector<uint8_t> block;
    for (const auto& name : names) {
        std::u16string units = sys::WideToUtf16(name);
        units += u'\0';
        for (char16_t unit : units) {
            block.push_back(static_cast<uint8_t>(~unit & 0xFF));
            block.push_back(static_cast<uint8_t>(~(unit >> 8) & 0xFF));
        }
    }
    return block;
}

NameList UnscrambleNames(const std::vector<uint8_t>& block, uint32_t count) {
    NameList names;
    std::u16string current;
    for (size_t i = 0; i + 1 < block.size() && names.size() < count; i += 2) {
        const char16_t unit = static_cast<char16_t>(static_cast<uint8_t>(~block[i]) |
                                                    static_cast<uint8_t>(~block[i + 1]) << 8);
        if (unit == 0) {
            names.push_back(sys::Utf16ToWide(current));
            current.clear();
        } else {
            current += unit;
        }
    }
    while (names.size() < count) names.push_back(L"");  // a short block leaves the remaining names empty
    return names;
}

bool IsSafeItemName(const std::wstring& name) { return sys::StaysInside(name); }

}  // namespace pkg
