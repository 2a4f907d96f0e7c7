// The archives inside a package, read by tools that are not ours: Info-ZIP's unzip and Python's
// zipfile must accept every entry's archive and see the method, flags, version and timestamp fields
// that other ZIP readers rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "PackageTestSupport.h"
#include "interface/Maker/PackageReader.h"

namespace fs = std::filesystem;

namespace {

// Prints one line per archive: item count, method, flags, version needed, central and local extra
// lengths and ids, the UT modification time, the DOS time as a Unix time in local time, the item
// name in hex; and writes the extracted bytes next to the archive as <archive>.out.
constexpr char kInspect[] = R"PY(
import struct, sys, time, zipfile
for path in sys.argv[1:]:
    with zipfile.ZipFile(path) as z:
        items = z.infolist()
        i = items[0]
        raw = open(path, 'rb').read()
        sig, ver, flags, method, t, d, crc, cs, us, nlen, xlen = struct.unpack_from('<IHHHHHIIIHH', raw, i.header_offset)
        lx = raw[i.header_offset + 30 + nlen:i.header_offset + 30 + nlen + xlen]
        cx = i.extra
        lid = struct.unpack_from('<H', lx)[0] if len(lx) >= 2 else 0
        cid = struct.unpack_from('<H', cx)[0] if len(cx) >= 2 else 0
        mtime = struct.unpack_from('<I', cx, 5)[0] if len(cx) >= 9 else 0
        dos = int(time.mktime(i.date_time + (0, 0, -1)))
        name = i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')
        open(path + '.out', 'wb').write(z.read(i))
        print(len(items), i.compress_type, i.flag_bits, i.extract_version, len(cx), len(lx), cid, lid,
              mtime, dos, name.hex(), sig == 0x04034b50 and method == i.compress_type)
)PY";

struct ItemView {
    int count = 0, method = -1, flags = -1, version = -1;
    int centralExtra = -1, localExtra = -1, centralId = -1, localId = -1;
    long long utTime = 0, dosTime = 0;
    std::string nameHex, localAgrees;
};

bool HaveTool(const char* probe) {
    return std::system(probe) == 0;
}

std::string Hex(const std::string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

std::vector<uint8_t> Random(size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> data(size);
    for (auto& b : data) b = static_cast<uint8_t>(gen());
    return data;
}

std::vector<uint8_t> Text(size_t size) {
    static const char words[] =
        "the quick installer packs every file of the product into its own executable ";
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(words[i % (sizeof(words) - 1)]);
    return data;
}

class PackageInterop : public ::testing::Test {
protected:
    void SetUp() override {
        // Extraction in earlier tests leaves the current folder in a removed temporary folder,
        // where the tools (and pyenv's python3 shim) cannot start.
        fs::current_path(m_work.path());
        if (!HaveTool("unzip -v >/dev/null 2>&1")) GTEST_SKIP() << "unzip is not installed";
        if (!HaveTool("python3 -c 'import zipfile' >/dev/null 2>&1"))
            GTEST_SKIP() << "python3 is not installed";
    }

    // Source file <relative> under the base folder, listed under the given entry path.
    void Put(const std::string& relative, const std::vector<uint8_t>& bytes,
             const std::string& entryPath = "") {
        fs::path p = fs::path(m_src.path()) / relative;
        fs::create_directories(p.parent_path());
        WriteBytes(p.string(), bytes);
        m_entries.push_back({entryPath.empty() ? relative : entryPath, ""});
        m_sources.push_back(bytes);
    }

    // Builds a one-package carrier with the real builder and cuts each entry's archive out of it
    // into <work>/<k>.zip, at the offsets the reader found.
    std::vector<std::string> BuildAndCut() {
        std::string carrier = BuildCarrier(m_work, m_src.path() + "/", {m_entries});
        if (carrier.empty()) return {};
        std::vector<uint8_t> file = ReadBytes(carrier);
        int error = 0;
        PackageReader reader;
        if (reader.Open(OpenPackageFile(Wide(carrier), error)) != 0 || reader.Packages().size() != 1)
            return {};
        const PackageRecord& package = reader.Packages()[0];
        std::vector<std::string> archives;
        for (size_t k = 0; k < package.entries.size(); ++k) {
            auto begin = file.begin() + static_cast<std::ptrdiff_t>(package.dataOffsets[k]);
            std::string path = m_work.path() + "/" + std::to_string(k) + ".zip";
            WriteBytes(path, std::vector<uint8_t>(begin, begin + package.entries[k].storedSize));
            archives.push_back(path);
        }
        return archives;
    }

    std::vector<ItemView> Inspect(const std::vector<std::string>& archives) {
        const std::string script = m_work.path() + "/inspect.py";
        WriteBytes(script, std::vector<uint8_t>(kInspect, kInspect + sizeof(kInspect) - 1));
        std::string command = "python3 " + Quote(script);
        for (const auto& a : archives) command += " " + Quote(a);
        std::vector<ItemView> views;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return views;
        char line[4096];
        while (std::fgets(line, sizeof(line), pipe)) {
            std::istringstream in(line);
            ItemView v;
            in >> v.count >> v.method >> v.flags >> v.version >> v.centralExtra >> v.localExtra >>
                v.centralId >> v.localId >> v.utTime >> v.dosTime >> v.nameHex >> v.localAgrees;
            views.push_back(v);
        }
        EXPECT_EQ(::pclose(pipe), 0) << "python's zipfile failed on one of the archives";
        return views;
    }

    // Every archive passes unzip -t and shows the expected fields to zipfile; its bytes come back.
    void CheckAll(const std::map<std::string, bool>& storedByEntry) {
        const std::time_t before = std::time(nullptr);
        std::vector<std::string> archives = BuildAndCut();
        const std::time_t after = std::time(nullptr);
        ASSERT_EQ(archives.size(), m_entries.size());
        for (const auto& a : archives) {
            EXPECT_EQ(std::system(("unzip -tqq " + Quote(a) + " >/dev/null").c_str()), 0)
                << "unzip -t failed: " << a;
        }
        std::vector<ItemView> views = Inspect(archives);
        ASSERT_EQ(views.size(), archives.size());
        for (size_t k = 0; k < views.size(); ++k) {
            const ItemView& v = views[k];
            const std::string& entry = m_entries[k].path;
            const bool stored = storedByEntry.at(entry);
            std::string item = entry;
            std::replace(item.begin(), item.end(), '\\', '/');
            SCOPED_TRACE(entry);
            EXPECT_EQ(v.count, 1);
            EXPECT_EQ(v.nameHex, Hex(item));
            EXPECT_EQ(v.method, stored ? 0 : 8);
            EXPECT_EQ(v.flags, stored ? 0 : 2);
            EXPECT_EQ(v.version, 20);
            EXPECT_EQ(v.centralExtra, 9);
            EXPECT_EQ(v.localExtra, 17);
            EXPECT_EQ(v.centralId, 0x5455);
            EXPECT_EQ(v.localId, 0x5455);
            EXPECT_EQ(v.localAgrees, "True") << "local header disagrees with the central record";
            // Both times are the moment of packing; DOS time has a 2-second grain.
            EXPECT_GE(v.utTime, before);
            EXPECT_LE(v.utTime, after);
            EXPECT_LE(std::llabs(v.dosTime - v.utTime), 2);
            EXPECT_EQ(ReadBytes(archives[k] + ".out"), m_sources[k]);
        }
    }

    TestFolder m_src, m_work;
    std::vector<PackFileEntry> m_entries;
    std::vector<std::vector<uint8_t>> m_sources;
};

}  // namespace

TEST_F(PackageInterop, OrdinaryFilesAreDeflatedWithMaximumCompressionFlags) {
    Put("readme.txt", Text(100000));
    Put("Tarn.exe", Random(70000, 1));
    Put("empty.dat", {});
    Put("one.bin", {42});
    Put("big.bin", Random(3 << 20, 2));
    Put("bin/lib/core.dll", Text(5000), "bin\\lib\\core.dll");  // backslashes become slashes
    Put("数据/说明 ü.txt", Text(300));
    Put("almost.zipx", Random(100, 3));  // not a stored extension
    CheckAll({{"readme.txt", false},
              {"Tarn.exe", false},
              {"empty.dat", false},
              {"one.bin", false},
              {"big.bin", false},
              {"bin\\lib\\core.dll", false},
              {"数据/说明 ü.txt", false},
              {"almost.zipx", false}});
}

TEST_F(PackageInterop, CompressedFormatsAreStoredWhateverTheirCase) {
    const char* names[] = {"skin.zip", "a.gz",  "b.TGZ", "c.Z",     "d.zoo",
                           "e.ARC",    "f.lzh", "g.arj", "empty.gz"};
    std::map<std::string, bool> stored;
    unsigned seed = 10;
    for (const char* name : names) {
        Put(name, std::string(name) == "empty.gz" ? std::vector<uint8_t>{} : Random(4000 + seed, seed));
        stored[name] = true;
        ++seed;
    }
    CheckAll(stored);
}
