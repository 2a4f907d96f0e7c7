// Builder and reader together: what goes into a package comes out identical.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <filesystem>
#include <random>

#include "PackageTestSupport.h"
#include "interface/Maker/PackageFormat.h"
#include "interface/Maker/PackageReader.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Pseudo(size_t size, unsigned seed, bool compressible) {
    std::vector<uint8_t> data(size);
    std::mt19937 gen(seed);
    std::vector<uint8_t> block(1024);
    for (auto& b : block) b = static_cast<uint8_t>(gen());
    for (size_t i = 0; i < size; ++i)
        data[i] = compressible ? block[i % block.size()] : static_cast<uint8_t>(gen());
    return data;
}

class PackageRoundTrip : public ::testing::Test {
protected:
    void Put(const std::string& relative, const std::vector<uint8_t>& bytes) {
        fs::path p = fs::path(m_src.path()) / relative;
        fs::create_directories(p.parent_path());
        WriteBytes(p.string(), bytes);
        m_files[relative] = bytes;
    }
    // Reads the carrier back and extracts every package into out/<n>.
    void ExtractAll(const std::string& carrier, size_t expectedPackages) {
        int error = 0;
        PackageReader reader;
        ASSERT_EQ(reader.Open(OpenPackageFile(Wide(carrier), error)), 0);
        ASSERT_EQ(reader.Packages().size(), expectedPackages);
        for (size_t i = 0; i < reader.Packages().size(); ++i) {
            std::string target = m_out.path() + "/" + std::to_string(i);
            fs::create_directories(target);
            ASSERT_EQ(reader.ExtractPackage(reader.Packages()[i], Wide(target)), 0);
        }
    }
    TestFolder m_src, m_work, m_out;
    std::map<std::string, std::vector<uint8_t>> m_files;
};

}  // namespace

TEST_F(PackageRoundTrip, FilesComeBackIdentical) {
    Put("Tarn.exe", Pseudo(300000, 1, false));
    Put("bin/lib/core.dll", Pseudo(200000, 2, true));
    Put("empty.txt", {});
    Put("数据/说明 ü.txt", {'h', 'i'});
    Put("skin.zip", Pseudo(5000, 3, false));  // stored, not deflated
    std::vector<PackFileEntry> program = {
        {"Tarn.exe", ""}, {"bin/lib/core.dll", ""}, {"empty.txt", ""}, {"数据/说明 ü.txt", ""}};
    std::vector<PackFileEntry> setup = {{"skin.zip", ""}};
    std::string carrier = BuildCarrier(m_work, m_src.path() + "/", {program, setup});
    ASSERT_FALSE(carrier.empty());
    ExtractAll(carrier, 2);
    for (const auto& entry : program) {
        EXPECT_EQ(ReadBytes(m_out.path() + "/0/" + entry.path), m_files[entry.path]) << entry.path;
    }
    EXPECT_EQ(ReadBytes(m_out.path() + "/1/skin.zip"), m_files["skin.zip"]);
    EXPECT_TRUE(fs::is_regular_file(m_out.path() + "/0/empty.txt"));
}

TEST_F(PackageRoundTrip, ManyFilesInSharedFoldersComeBackOnSeveralThreads) {
    // The extraction's threads make the same folders at the same time.
    std::vector<PackFileEntry> program;
    for (int i = 0; i < 600; ++i) {
        const std::string name =
            "app/m" + std::to_string(i % 30) + "/s" + std::to_string(i % 7) + "/f" + std::to_string(i);
        Put(name, Pseudo(64 + i, i, true));
        program.push_back({name, ""});
    }
    std::string carrier = BuildCarrier(m_work, m_src.path() + "/", {program});
    ASSERT_FALSE(carrier.empty());
    ExtractAll(carrier, 1);
    for (const auto& entry : program)
        EXPECT_EQ(ReadBytes(m_out.path() + "/0/" + entry.path), m_files[entry.path]);
}

TEST_F(PackageRoundTrip, EmptyPackagesAre148Bytes) {
    std::string carrier = BuildCarrier(m_work, m_src.path() + "/", {{}, {}});
    ASSERT_FALSE(carrier.empty());
    EXPECT_EQ(fs::file_size(carrier), 4096u + 148u + 148u);
    int error = 0;
    PackageReader reader;
    ASSERT_EQ(reader.Open(OpenPackageFile(Wide(carrier), error)), 0);
    ASSERT_EQ(reader.Packages().size(), 2u);
    EXPECT_EQ(reader.Packages()[1].start, 4096u + 148u);
    EXPECT_TRUE(reader.Packages()[0].entries.empty());
}

TEST_F(PackageRoundTrip, AbsoluteSourcePathsAreStoredUnderTheirFileNameOrNewpath) {
    Put("elsewhere/a.txt", {'a'});
    Put("elsewhere/c.txt", {'c'});
    const std::string absoluteA = m_src.path() + "/elsewhere/a.txt";
    const std::string absoluteC = m_src.path() + "/elsewhere/c.txt";
    // A POSIX absolute path starts with "/": the ".." / ":" rule does not apply, so these use
    // the "./" form, which takes the same branch as a drive letter.
    fs::current_path(m_work.path());
    std::string relA = "./" + fs::relative(absoluteA).string();
    std::string relC = "./" + fs::relative(absoluteC).string();
    std::string carrier = BuildCarrier(m_work, m_src.path() + "/", {{{relA, ""}, {relC, "setup\\b.txt"}}});
    ASSERT_FALSE(carrier.empty());
    int error = 0;
    PackageReader reader;
    ASSERT_EQ(reader.Open(OpenPackageFile(Wide(carrier), error)), 0);
    ASSERT_EQ(reader.Packages()[0].names.size(), 2u);
    EXPECT_EQ(reader.Packages()[0].names[0], L"a.txt");
    EXPECT_EQ(reader.Packages()[0].names[1], L"setup\\b.txt");
    ASSERT_EQ(reader.ExtractPackage(reader.Packages()[0], Wide(m_out.path())), 0);
    EXPECT_EQ(ReadBytes(m_out.path() + "/a.txt"), std::vector<uint8_t>{'a'});
    EXPECT_EQ(ReadBytes(m_out.path() + "/setup/b.txt"), std::vector<uint8_t>{'c'}) << "ZIP item setup/b.txt";
}

TEST_F(PackageRoundTrip, ABuildThatCannotReadAFileFails) {
    Put("present.txt", {'p'});
    std::string stub = m_work.path() + "/stub.exe";
    WriteBytes(stub, StubImage());
    PackageBuilder builder;
    builder.SetProgressStream(nullptr);
    ASSERT_EQ(builder.CreateOutput(Wide(m_work.path() + "/out.exe")), 0);
    BuildSettings settings{Wide(stub), Wide(m_src.path() + "/"), L""};
    EXPECT_EQ(builder.BuildFirstPackage(settings, {{"present.txt", ""}, {"missing.txt", ""}}, 1), -1);

    PackageBuilder noImage;
    noImage.SetProgressStream(nullptr);
    ASSERT_EQ(noImage.CreateOutput(Wide(m_work.path() + "/out2.exe")), 0);
    BuildSettings bad{Wide(m_work.path() + "/no-such-stub.exe"), Wide(m_src.path() + "/"), L""};
    EXPECT_EQ(noImage.BuildFirstPackage(bad, {}, 1), -1);
    noImage.CloseOutput();
    EXPECT_EQ(fs::file_size(m_work.path() + "/out2.exe"), 0u) << "nothing is written without an image";
}

TEST_F(PackageRoundTrip, WorkerCountDoesNotChangeTheBytesExceptBuildTimes) {
    for (int i = 0; i < 20; ++i)
        Put("f" + std::to_string(i) + ".bin", Pseudo(20000 + i * 1000, i, i % 2 == 0));
    std::vector<PackFileEntry> list;
    for (int i = 0; i < 20; ++i) list.push_back({"f" + std::to_string(i) + ".bin", ""});
    TestFolder one, four;
    std::vector<uint8_t> a = ReadBytes(BuildCarrier(one, m_src.path() + "/", {list}, 1));
    // Past the two-second step of DOS times, so that the times really differ between the builds.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    std::vector<uint8_t> b = ReadBytes(BuildCarrier(four, m_src.path() + "/", {list}, 4));
    ASSERT_EQ(a.size(), b.size());
    // Only the ZIP times (and with them the CRCs and digests that cover them) and the tail's
    // build time may differ between two runs: every archive is the same byte for byte once its
    // DOS times and "UT" stamps are masked.
    PackageReader ra, rb;
    ASSERT_EQ(ra.Open(MemoryPackageSource(a)), 0);
    ASSERT_EQ(rb.Open(MemoryPackageSource(b)), 0);
    const PackageRecord& pa = ra.Packages()[0];
    const PackageRecord& pb = rb.Packages()[0];
    ASSERT_EQ(pa.entries.size(), 20u);
    ASSERT_EQ(pb.entries.size(), 20u);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + pa.start, b.begin())) << "the image";
    auto masked = [](const std::vector<uint8_t>& file, const PackageRecord& p, size_t i) {
        std::vector<uint8_t> zip(file.begin() + p.dataOffsets[i],
                                 file.begin() + p.dataOffsets[i] + p.entries[i].storedSize);
        auto le16 = [&zip](size_t at) { return static_cast<size_t>(zip[at] | zip[at + 1] << 8); };
        // Local header: DOS time and date, then the "UT" extra field's three stamps after the name.
        std::fill_n(zip.begin() + 10, 4, 0);
        std::fill_n(zip.begin() + 30 + le16(26) + 5, 12, 0);
        // Central header (found from the end record): DOS time and date, and its one stamp.
        const size_t central = pkg::ReadLE32(&zip[zip.size() - 22 + 16]);
        std::fill_n(zip.begin() + central + 12, 4, 0);
        std::fill_n(zip.begin() + central + 46 + le16(central + 28) + 5, 4, 0);
        return zip;
    };
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(pa.names[i], pb.names[i]);
        EXPECT_EQ(pa.entries[i].uncompressedSize, pb.entries[i].uncompressedSize);
        EXPECT_TRUE(masked(a, pa, i) == masked(b, pb, i)) << "entry " << i;
    }
}

TEST_F(PackageRoundTrip, AHundredMegabyteFile) {
    Put("big.bin", Pseudo(100u << 20, 9, true));
    std::string carrier = BuildCarrier(m_work, m_src.path() + "/", {{{"big.bin", ""}}});
    ASSERT_FALSE(carrier.empty());
    ExtractAll(carrier, 1);
    EXPECT_TRUE(ReadBytes(m_out.path() + "/0/big.bin") == m_files["big.bin"]);
}
