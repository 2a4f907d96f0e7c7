// Files written straight from a package in the order the copy asks for them: the bytes and times
// of every file, whether the helpers inflated it ahead (many small files going round the ring) or
// the copy did (files too large to hold), and what happens when something is in the way.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "PackageTestSupport.h"
#include "interface/Maker/PackageFileSupply.h"

namespace fs = std::filesystem;

namespace {

class PackageFileSupplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 random(7);
        std::vector<PackFileEntry> entries;
        for (int i = 0; i < 700; ++i) {
            // A few are larger than the helpers hold; the rest fill the ring twice over.
            const size_t size = i % 250 == 3 ? 300 * 1024 : random() % (12 * 1024);
            std::vector<uint8_t> bytes(size);
            for (uint8_t& b : bytes) b = static_cast<uint8_t>(random() % 7);  // compressible
            const std::string name = "d" + std::to_string(i % 5) + "/f" + std::to_string(i) + ".bin";
            fs::create_directories(fs::path(m_src.path()) / ("d" + std::to_string(i % 5)));
            WriteBytes(m_src.path() + "/" + name, bytes);
            m_bytes.push_back(std::move(bytes));
            entries.push_back({name, ""});
        }
        int error = 0;
        ASSERT_EQ(m_reader.Open(OpenPackageFile(Wide(BuildCarrier(m_work, m_src.path() + "/", {entries})), error)), 0);
        ASSERT_EQ(m_reader.Packages().size(), 1u);
    }
    std::vector<PackageFileSupply::Job> Jobs() const {
        std::vector<PackageFileSupply::Job> jobs;
        for (size_t i = 0; i < m_bytes.size(); ++i) jobs.push_back(static_cast<uint32_t>(i));
        return jobs;
    }
    static int64_t Time(size_t i) { return i % 3 ? int64_t{1608710816943} : -1; }
    std::string Out(size_t i) const { return m_out.path() + "/" + std::to_string(i); }

    TestFolder m_src, m_work, m_out;
    PackageReader m_reader;
    std::vector<std::vector<uint8_t>> m_bytes;
};

}  // namespace

TEST_F(PackageFileSupplyTest, EveryFileArrivesWholeWithItsTimeWhateverInflatedIt) {
    for (unsigned helpers : {1u, 3u}) {
        SCOPED_TRACE(helpers);
        TestFolder out;
        PackageFileSupply supply(m_reader, m_reader.Packages()[0], Jobs(), Wide(m_work.path()), helpers);
        for (size_t i = 0; i < m_bytes.size(); ++i) {
            const std::string path = out.path() + "/" + std::to_string(i);
            ASSERT_EQ(supply.Write(i, Wide(path), Time(i)), 0) << i;
            struct stat st;  // before the read below moves the access time
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            if (i % 3) {
                EXPECT_EQ(st.st_mtime, 1608710816) << i;
                EXPECT_EQ(st.st_atime, 0) << i;
            }
            ASSERT_EQ(ReadBytes(path), m_bytes[i]) << i;
        }
    }
}

TEST_F(PackageFileSupplyTest, SomethingInTheWayIsLeftAloneAndTheFileCanGoElsewhere) {
    PackageFileSupply supply(m_reader, m_reader.Packages()[0], Jobs(), Wide(m_work.path()), 1);
    WriteBytes(Out(0), {'o', 'l', 'd'});
    EXPECT_EQ(supply.Write(0, Wide(Out(0)), Time(0)), PackageFileSupply::kExists);
    EXPECT_EQ(ReadBytes(Out(0)), (std::vector<uint8_t>{'o', 'l', 'd'}));
    // Asked again for another path (the staging folder), as the copy does then.
    EXPECT_EQ(supply.Write(0, Wide(Out(0) + ".staged"), Time(0)), 0);
    EXPECT_EQ(ReadBytes(Out(0) + ".staged"), m_bytes[0]);
    // A large one, inflated by the copy itself, the same way.
    WriteBytes(Out(3), {'x'});
    EXPECT_EQ(supply.Write(3, Wide(Out(3)), Time(3)), PackageFileSupply::kExists);
    EXPECT_EQ(supply.Write(3, Wide(Out(3) + ".staged"), Time(3)), 0);
    EXPECT_EQ(ReadBytes(Out(3) + ".staged"), m_bytes[3]);
    // Skipping ahead works; going back does not: those bytes are given back.
    EXPECT_EQ(supply.Write(600, Wide(Out(600)), Time(600)), 0);
    EXPECT_EQ(ReadBytes(Out(600)), m_bytes[600]);
    EXPECT_LT(supply.Write(5, Wide(Out(5)), Time(5)), 0);
    EXPECT_FALSE(fs::exists(Out(5)));
}
