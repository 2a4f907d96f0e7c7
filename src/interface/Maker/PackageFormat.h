// Byte layout of the setup packages appended to the installer: header, entries, index block with
// its scrambled name block, and tail with three MD5 digests. All integers little-endian.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pkg {

constexpr uint32_t kHeaderMagic = 0x506B6748;  // "HgkP"
constexpr uint32_t kEntryMagic = 0x506B6749;   // "IgkP"
constexpr uint32_t kIndexMagic = 0x506B6758;   // "XgkP"
constexpr uint32_t kTailMagic = 0x506B6754;    // "TgkP"
constexpr uint32_t kFormatVersion = 1;

constexpr uint32_t kHeaderSize = 36;
constexpr uint32_t kEntryHeaderSize = 16;
constexpr uint32_t kIndexHeaderSize = 16;
constexpr uint32_t kTailSize = 80;
constexpr uint32_t kFirstPackageWordOffset = 48;  // in the MZ header of the carrier
constexpr uint32_t kPackageKindWordOffset = 52;

struct PackageHeader {
    uint32_t magic = kHeaderMagic;
    uint32_t version = kFormatVersion;
    uint32_t totalSize = 0;
    uint32_t entryCount = 0;
    uint32_t indexOffset = 0;
    uint32_t tailOffset = 0;
    uint32_t uncompressedSize = 0;
};

struct EntryHeader {
    uint32_t magic = kEntryMagic;
    uint32_t uncompressedSize = 0;
    uint32_t storedSize = 0;
    uint32_t crc32 = 0;
};

struct IndexHeader {
    uint32_t magic = kIndexMagic;
    uint32_t entryCount = 0;
    uint32_t nameBlockOffset = 0;  // from the start of the index block
    uint32_t nameBlockSize = 0;
};

struct SystemTimeUtc {
    uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

struct PackageTail {
    uint32_t magic = kTailMagic;
    uint32_t totalSize = 0;
    std::array<uint8_t, 16> headerDigest{};
    std::array<uint8_t, 16> indexDigest{};
    std::array<uint8_t, 16> entriesDigest{};
    SystemTimeUtc buildTime;
};

void EncodeHeader(const PackageHeader& header, uint8_t out[kHeaderSize]);
PackageHeader DecodeHeader(const uint8_t in[kHeaderSize]);
void EncodeEntryHeader(const EntryHeader& entry, uint8_t out[kEntryHeaderSize]);
EntryHeader DecodeEntryHeader(const uint8_t in[kEntryHeaderSize]);
void EncodeIndexHeader(const IndexHeader& index, uint8_t out[kIndexHeaderSize]);
IndexHeader DecodeIndexHeader(const uint8_t in[kIndexHeaderSize]);
void EncodeTail(const PackageTail& tail, uint8_t out[kTailSize]);
PackageTail DecodeTail(const uint8_t in[kTailSize]);

// Header checks of a candidate package at file offset start: 0, or 255 (magic), 254 (version),
// 253 (index not before tail, or before the end of the header), 252 (size), 251 (past the file).
int CheckHeader(const PackageHeader& header, uint64_t start, uint64_t fileSize);

// Name block: UTF-16LE names with 16-bit terminators, every byte complemented.
std::vector<uint8_t> ScrambleNames(const std::vector<std::wstring>& names);
// The entry names of a package in one block: tens of thousands of short names cost a few bytes
// each rather than a string apiece.
class NameList {
public:
    size_t size() const { return m_starts.size(); }
    bool empty() const { return m_starts.empty(); }
    std::wstring_view operator[](size_t i) const {
        const size_t end = i + 1 < m_starts.size() ? m_starts[i + 1] - 1 : m_text.size();
        return std::wstring_view(m_text).substr(m_starts[i], end - m_starts[i]);
    }
    void push_back(std::wstring_view name) {
        if (!m_starts.empty()) m_text += L'\0';
        m_starts.push_back(static_cast<uint32_t>(m_text.size()));
        m_text.append(name);
    }

private:
    std::wstring m_text;  // the names, each but the last followed by a zero
    std::vector<uint32_t> m_starts;
};

NameList UnscrambleNames(const std::vector<uint8_t>& block, uint32_t count);
uint32_t NameBlockSize(const std::wstring& name);  // 2 * (UTF-16 length + 1)

// False for item names that would leave the target folder: empty, absolute, with a drive or
// stream colon, or with a "." or ".." segment.
bool IsSafeItemName(const std::wstring& name);

uint32_t ReadLE32(const uint8_t* p);
void WriteLE32(uint8_t* p, uint32_t value);

}  // namespace pkg
