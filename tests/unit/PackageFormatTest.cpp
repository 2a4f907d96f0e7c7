// The package layout byte by byte, the header and tail checks, and hostile input.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "PackageTestSupport.h"
#include "interface/Maker/Md5.h"
#include "interface/Maker/PackageFormat.h"
#include "interface/Maker/PackageReader.h"
#include "interface/Maker/ZipMemory.h"

namespace fs = std::filesystem;
using pkg::ReadLE32;

namespace {

RawEntry Entry(const std::wstring& name, const std::string& itemName, const std::string& text) {
    RawEntry e;
    e.name = name;
    e.uncompressedSize = static_cast<uint32_t>(text.size());
    pkg::BuildSingleItemZip(itemName, reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                            pkg::PackTime::Now(), e.archive);
    return e;
}

int OpenCode(const std::vector<uint8_t>& file) {
    PackageReader reader;
    return reader.Open(MemoryPackageSource(file));
}

// The line the reader logged for what ended its walk.
std::string OpenProblem(const std::vector<uint8_t>& file) {
    PackageReader reader;
    reader.Open(MemoryPackageSource(file));
    return reader.Problem();
}

// A file whose reads fail from an offset on, as a failing disk or network share does.
class FailingSource final : public IPackageSource {
public:
    FailingSource(std::vector<uint8_t> bytes, uint64_t failFrom) : m_inner(MemoryPackageSource(std::move(bytes))), m_failFrom(failFrom) {}
    uint64_t Size() const override { return m_inner->Size(); }
    int ReadAt(uint64_t offset, void* buffer, size_t size) override {
        return offset + size > m_failFrom ? 23 : m_inner->ReadAt(offset, buffer, size);  // ERROR_CRC
    }

private:
    std::unique_ptr<IPackageSource> m_inner;
    uint64_t m_failFrom;
};

size_t PackageCount(const std::vector<uint8_t>& file) {
    PackageReader reader;
    EXPECT_EQ(reader.Open(MemoryPackageSource(file)), 0);
    return reader.Packages().size();
}

}  // namespace

TEST(PackageLayout, BuiltPackageMatchesTheTables) {
    TestFolder src, work;
    WriteBytes(src.path() + "/a.txt", {'h', 'e', 'l', 'l', 'o'});
    fs::create_directories(src.path() + "/sub");
    WriteBytes(src.path() + "/sub/b.bin", std::vector<uint8_t>(1000, 'x'));
    const std::vector<uint8_t> f = ReadBytes(BuildCarrier(work, src.path() + "/", {{{"a.txt", ""}, {"sub\\b.bin", ""}}}));
    ASSERT_GT(f.size(), 4096u);
    EXPECT_EQ(ReadLE32(&f[48]), 4096u) << "first package offset = image size";
    EXPECT_EQ(ReadLE32(&f[52]), 1u) << "package kind word";

    const uint8_t* p = &f[4096];
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), 4), "HgkP");
    EXPECT_EQ(ReadLE32(p + 4), 1u);
    const uint32_t total = ReadLE32(p + 8), count = ReadLE32(p + 12), index = ReadLE32(p + 16), tail = ReadLE32(p + 20);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(total, tail + 80);
    EXPECT_EQ(ReadLE32(p + 24), 1005u) << "total uncompressed size";
    EXPECT_EQ(ReadLE32(p + 28), 0u);
    EXPECT_EQ(ReadLE32(p + 32), 0u);
    EXPECT_EQ(4096u + total, f.size());

    // Entries back to back from offset 36; each index record is a copy of its entry header.
    uint32_t at = 36;
    for (uint32_t k = 0; k < count; ++k) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + at), 4), "IgkP");
        EXPECT_EQ(std::memcmp(p + at, p + index + 16 + 16 * k, 16), 0);
        at += 16 + ReadLE32(p + at + 8);
    }
    EXPECT_EQ(at, index);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + index), 4), "XgkP");
    EXPECT_EQ(ReadLE32(p + index + 4), 2u);
    EXPECT_EQ(ReadLE32(p + index + 8), 16u + 32u);
    const uint32_t nameSize = ReadLE32(p + index + 12);
    EXPECT_EQ(nameSize, 2u * (5 + 1) + 2u * (9 + 1));
    EXPECT_EQ(index + 48 + nameSize, tail);
    // Names: UTF-16LE with terminators, every byte complemented.
    EXPECT_EQ(p[index + 48], static_cast<uint8_t>(~'a'));
    EXPECT_EQ(p[index + 49], 0xFF);
    EXPECT_EQ(p[index + 48 + 10], 0xFF);
    EXPECT_EQ(p[index + 48 + 11], 0xFF);

    const uint8_t* t = p + tail;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(t), 4), "TgkP");
    EXPECT_EQ(ReadLE32(t + 4), total);
    EXPECT_EQ(*Md5::Of(p, 36), *reinterpret_cast<const Md5::Digest*>(t + 16));
    EXPECT_EQ(*Md5::Of(p + index, 48), *reinterpret_cast<const Md5::Digest*>(t + 32));
    EXPECT_EQ(*Md5::Of(p + 36, index - 36), *reinterpret_cast<const Md5::Digest*>(t + 48));
    const uint16_t year = static_cast<uint16_t>(t[64] | t[65] << 8);
    EXPECT_GE(year, 2024);
    const uint16_t month = static_cast<uint16_t>(t[66] | t[67] << 8);
    EXPECT_TRUE(month >= 1 && month <= 12);
}

TEST(PackageLayout, EmptyPackageHasA32ByteIndexArea) {
    const std::vector<uint8_t> package = AssemblePackage({});
    ASSERT_EQ(package.size(), 148u);
    EXPECT_EQ(ReadLE32(&package[16]), 36u);
    EXPECT_EQ(ReadLE32(&package[20]), 68u);
    EXPECT_EQ(ReadLE32(&package[36 + 8]), 32u);
    EXPECT_EQ(ReadLE32(&package[36 + 12]), 0u);
    for (int i = 52; i < 68; ++i) EXPECT_EQ(package[i], 0);
    EXPECT_EQ(PackageCount(Carrier({package})), 1u);
}

TEST(PackageWalk, NoOrUnreachablePackageMeansAnEmptyList) {
    std::vector<uint8_t> none = StubImage(1024);
    EXPECT_EQ(PackageCount(none), 0u);
    pkg::WriteLE32(none.data() + 48, 5000);  // past the end
    EXPECT_EQ(PackageCount(none), 0u);
    EXPECT_EQ(PackageCount(std::vector<uint8_t>(10, 0)), 0u) << "too short for the MZ words";
}

TEST(PackageWalk, StopsAtTrailingDataSuchAsASignature) {
    std::vector<uint8_t> file = Carrier({AssemblePackage({Entry(L"a", "a", "1")}), AssemblePackage({})});
    file.insert(file.end(), {0, 0});
    for (int i = 0; i < 500; ++i) file.push_back(static_cast<uint8_t>(i * 31));
    EXPECT_EQ(PackageCount(file), 2u);
}

TEST(PackageWalk, HeaderChecksInOrder) {
    auto codeOf = [](const std::function<void(std::vector<uint8_t>&)>& damage) {
        std::vector<uint8_t> package = AssemblePackage({Entry(L"a", "a", "x")});
        damage(package);
        pkg::PackageHeader h = pkg::DecodeHeader(package.data());
        return pkg::CheckHeader(h, 1024, 1024 + package.size());
    };
    EXPECT_EQ(codeOf([](std::vector<uint8_t>&) {}), 0);
    EXPECT_EQ(codeOf([](std::vector<uint8_t>& p) { p[0] = 'X'; }), 255);
    EXPECT_EQ(codeOf([](std::vector<uint8_t>& p) { pkg::WriteLE32(&p[4], 2); }), 254);
    EXPECT_EQ(codeOf([](std::vector<uint8_t>& p) { pkg::WriteLE32(&p[16], ReadLE32(&p[20])); }), 253);
    EXPECT_EQ(codeOf([](std::vector<uint8_t>& p) { pkg::WriteLE32(&p[16], 20); }), 253) << "index inside the header";
    EXPECT_EQ(codeOf([](std::vector<uint8_t>& p) { pkg::WriteLE32(&p[8], ReadLE32(&p[8]) + 1); }), 252);
    EXPECT_EQ(codeOf([](std::vector<uint8_t>& p) {
                  uint32_t grow = 100;
                  pkg::WriteLE32(&p[8], ReadLE32(&p[8]) + grow);
                  pkg::WriteLE32(&p[20], ReadLE32(&p[20]) + grow);
              }),
              251);

    // In a file, a failed header ends the walk without error: earlier packages stay usable.
    std::vector<uint8_t> first = AssemblePackage({});
    std::vector<uint8_t> second = AssemblePackage({});
    pkg::WriteLE32(&second[4], 7);
    EXPECT_EQ(PackageCount(Carrier({first, second})), 1u);
}

TEST(PackageWalk, TailDigestsGuardHeaderIndexAndEntriesButNotNames) {
    const std::vector<uint8_t> good =
        Carrier({AssemblePackage({Entry(L"one.txt", "one.txt", "first"), Entry(L"two.txt", "two.txt", "second")})});
    const size_t p = 1024;
    const uint32_t index = ReadLE32(&good[p + 16]);
    const uint32_t tail = ReadLE32(&good[p + 20]);
    EXPECT_EQ(OpenCode(good), 0);

    std::vector<uint8_t> names = good;
    names[p + index + 16 + 32 + 1] ^= 0x01;  // a byte of the name block
    EXPECT_EQ(OpenCode(names), 0) << "names are not covered by any digest";

    // Which digest failed is the logged result: -1, -2, -3 in that order; the walk returns -2.
    std::vector<uint8_t> header = good;
    header[p + 30] = 1;  // reserved byte: passes the header checks, changes the digest
    EXPECT_EQ(OpenCode(header), -2);
    EXPECT_EQ(OpenProblem(header), "Pkg Tail verify failed | iret -1");

    std::vector<uint8_t> record = good;
    record[p + index + 16 + 15] ^= 0x01;  // CRC of the first index record
    EXPECT_EQ(OpenCode(record), -2);
    EXPECT_EQ(OpenProblem(record), "Pkg Tail verify failed | iret -2");

    std::vector<uint8_t> entry = good;
    entry[p + 36 + 20] ^= 0x01;
    EXPECT_EQ(OpenCode(entry), -2);
    EXPECT_EQ(OpenProblem(entry), "Pkg Tail verify failed | iret -3");

    std::vector<uint8_t> noTail = entry;
    noTail[p + tail] = 'x';
    EXPECT_EQ(OpenCode(noTail), 0) << "without the tail magic no digest is compared";
}

TEST(PackageWalk, AFailedReadEndsTheWalkWithItsErrorNotAsAHeaderFailure) {
    const std::vector<uint8_t> file = Carrier({AssemblePackage({Entry(L"a.txt", "a.txt", "data")}), AssemblePackage({})});
    const uint64_t second = 1024 + ReadLE32(&file[1024 + 8]);
    PackageReader reader;
    EXPECT_EQ(reader.Open(std::make_unique<FailingSource>(file, second + 4)), 23);
    EXPECT_TRUE(reader.Packages().empty());
    EXPECT_EQ(reader.Problem(), "") << "no header check ran on bytes that were never read";
    EXPECT_EQ(reader.Open(std::make_unique<FailingSource>(file, 50)), 23) << "the words at 48 and 52";
}

TEST(PackageWalk, SizesThatRunPastThePackageAreRefusedBeforeAllocation) {
    std::vector<uint8_t> good = Carrier({AssemblePackage({Entry(L"a.txt", "a.txt", "data")})});
    const size_t p = 1024;
    const uint32_t index = ReadLE32(&good[p + 16]);

    std::vector<uint8_t> stored = good;
    pkg::WriteLE32(&stored[p + index + 16 + 8], 0xFFFFFF00u);  // index record's stored size
    stored[p + ReadLE32(&good[p + 20])] = 'x';                   // no tail digests to stop it
    EXPECT_EQ(OpenCode(stored), -2);

    std::vector<uint8_t> count = good;
    pkg::WriteLE32(&count[p + index + 4], 0x10000000u);
    count[p + ReadLE32(&good[p + 20])] = 'x';
    EXPECT_EQ(OpenCode(count), -2);

    std::vector<uint8_t> nameBlock = good;
    pkg::WriteLE32(&nameBlock[p + index + 12], 0x7FFFFFFFu);
    nameBlock[p + ReadLE32(&good[p + 20])] = 'x';
    EXPECT_EQ(OpenCode(nameBlock), -2);
}

TEST(PackageExtract, RefusesItemNamesThatLeaveTheTarget) {
    TestFolder outer;
    const std::string target = outer.path() + "/target";
    fs::create_directories(target);
    for (const std::string bad : {"../evil.txt", "sub/../../evil.txt", "/tmp/evil.txt", "C:/evil.txt",
                                  "..\\evil.txt", "a/./b.txt"}) {
        std::vector<uint8_t> file = Carrier({AssemblePackage({Entry(L"x", bad, "evil")})});
        PackageReader reader;
        ASSERT_EQ(reader.Open(MemoryPackageSource(file)), 0);
        EXPECT_EQ(reader.ExtractPackage(reader.Packages()[0], Wide(target)), -1) << bad;
    }
    EXPECT_TRUE(fs::is_empty(target));
    EXPECT_FALSE(fs::exists(outer.path() + "/evil.txt"));
    EXPECT_TRUE(pkg::IsSafeItemName(L"package/Product.config"));
    EXPECT_TRUE(pkg::IsSafeItemName(L"a..b/c.txt"));
}

TEST(PackageExtract, NestedFoldersAndCurrentDirectory) {
    TestFolder target;
    std::vector<uint8_t> file = Carrier({AssemblePackage({Entry(L"x", "one/two/file.txt", "deep")})});
    PackageReader reader;
    ASSERT_EQ(reader.Open(MemoryPackageSource(file)), 0);
    ASSERT_EQ(reader.ExtractPackage(reader.Packages()[0], Wide(target.path())), 0);
    EXPECT_EQ(ReadBytes(target.path() + "/one/two/file.txt"), (std::vector<uint8_t>{'d', 'e', 'e', 'p'}));
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(target.path())) << "extraction enters the target";
}

TEST(PackageExtract, NotAZipArchiveOrAnImpossibleSizeFails) {
    TestFolder target;
    RawEntry junk{L"junk", std::vector<uint8_t>(100, 0x41), 100};
    std::vector<uint8_t> file = Carrier({AssemblePackage({junk})});
    PackageReader reader;
    ASSERT_EQ(reader.Open(MemoryPackageSource(file)), 0);
    EXPECT_EQ(reader.ExtractEntry(reader.Packages()[0], 0, Wide(target.path())), -1);

    // A stored item that claims more bytes than it holds.
    RawEntry liar = Entry(L"liar", "liar.gz", "short");
    std::vector<uint8_t>& zip = liar.archive;
    for (size_t i = 0; i + 4 <= zip.size(); ++i) {
        if (ReadLE32(&zip[i]) == 0x02014b50u) pkg::WriteLE32(&zip[i + 24], 1u << 30);  // central uncompressed size
    }
    PackageReader reader2;
    ASSERT_EQ(reader2.Open(MemoryPackageSource(Carrier({AssemblePackage({liar})}))), 0);
    EXPECT_EQ(reader2.ExtractEntry(reader2.Packages()[0], 0, Wide(target.path())), -1);
}

TEST(PackageNames, ScrambleRoundTrip) {
    std::vector<std::wstring> names = {L"package\\Product.config", L"", L"数据\\ü.txt"};
    std::vector<uint8_t> block = pkg::ScrambleNames(names);
    EXPECT_EQ(block.size(), pkg::NameBlockSize(names[0]) + pkg::NameBlockSize(names[1]) + pkg::NameBlockSize(names[2]));
    const pkg::NameList read = pkg::UnscrambleNames(block, 3);
    ASSERT_EQ(read.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(std::wstring(read[i]), names[i]);
    EXPECT_EQ(pkg::UnscrambleNames(block, 5).size(), 5u) << "a short block leaves the last names empty";
}
