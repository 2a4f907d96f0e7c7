// Packing and extraction beside Info-ZIP in the same run, on a generated product (text,
// program-like binaries, already-compressed data, a few large files), 5 000 files / 200 MB unless
// told otherwise:
//   package_bench [folder] [runs] [files] [megabytes]
// Every side runs in a child process started the same way (fork + exec, our side through this
// program's own "pack" and "extract" modes), so wall time and peak RSS (wait4) are comparable.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "interface/Maker/PackageBuilder.h"
#include "interface/Maker/PackageReader.h"
#include "system/TextConv.h"

namespace fs = std::filesystem;

namespace {

// xorshift64*: fast enough that generating 200 MB is not what the run waits for.
struct Random {
    uint64_t s;
    uint64_t Next() {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return s * 2685821657736338717ull;
    }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
};

enum class Kind { Text, Binary, Compressed };

void Fill(Kind kind, size_t size, Random& rnd, std::vector<uint8_t>& out) {
    out.resize(size);
    if (kind == Kind::Compressed) {
        for (size_t i = 0; i < size; i += 8) {
            uint64_t v = rnd.Next();
            std::memcpy(&out[i], &v, std::min<size_t>(8, size - i));
        }
        return;
    }
    if (kind == Kind::Text) {
        // Words from a small vocabulary, lines of varying length: compresses about 3:1 like source
        // files and logs.
        static const char* const kWords[] = {
            "install", "product", "component", "file",   "the",    "version", "registry", "value",
            "folder",  "setup",   "package",   "window", "error",  "return",  "config",   "update",
            "server",  "int",     "const",     "void",   "string", "if",      "for",      "while",
            "<item",   "path=",   "/>",        "{",      "}",      "0x",      "=",        ";"};
        size_t i = 0;
        while (i < size) {
            const char* w = kWords[rnd.Next() % (sizeof(kWords) / sizeof(*kWords))];
            for (; *w && i < size; ++w) out[i++] = static_cast<uint8_t>(*w);
            if (i < size) out[i++] = rnd.Next() % 9 == 0 ? '\n' : ' ';
            if (rnd.Next() % 5 == 0 && i + 4 < size) {
                uint64_t n = rnd.Next() % 10000;
                i += static_cast<size_t>(
                    std::snprintf(reinterpret_cast<char*>(&out[i]), 5, "%04u", unsigned(n)));
            }
        }
        return;
    }
    // Program-like: repeated instruction patterns, small integers, zero padding and random
    // constants; compresses about 2:1.
    size_t i = 0;
    while (i < size) {
        const uint64_t r = rnd.Next();
        size_t run = 8 + (r >> 8) % 120;
        run = std::min(run, size - i);
        switch (r % 4) {
            case 0:
                std::memset(&out[i], 0, run);
                break;
            case 1:
                for (size_t k = 0; k < run; ++k) out[i + k] = static_cast<uint8_t>(rnd.Next() % 16);
                break;
            case 2:
                for (size_t k = 0; k < run; ++k)
                    out[i + k] = static_cast<uint8_t>("\x55\x8b\xec\x83\xe4\xf8"[k % 6]);
                break;
            default:
                for (size_t k = 0; k < run; ++k) out[i + k] = static_cast<uint8_t>(rnd.Next());
        }
        i += run;
    }
}

struct Corpus {
    std::vector<std::string> files;  // relative paths
    uint64_t bytes = 0;
    uint64_t largest = 0;
};

Corpus Generate(const fs::path& root, size_t files, uint64_t totalBytes) {
    static const char* const kText[] = {".txt", ".xml", ".ini", ".log", ".config", ".cpp"};
    static const char* const kBinary[] = {".dll", ".exe", ".dat", ".bin"};
    static const char* const kPacked[] = {".gz", ".zip", ".png", ".jpg"};  // .png/.jpg are deflated by both
    Random rnd{0x9e3779b97f4a7c15ull};
    Corpus corpus;
    std::vector<uint8_t> data;
    auto write = [&](const std::string& relative, Kind kind, size_t size) {
        fs::path p = root / relative;
        fs::create_directories(p.parent_path());
        Fill(kind, size, rnd, data);
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
        corpus.files.push_back(relative);
        corpus.bytes += size;
        corpus.largest = std::max<uint64_t>(corpus.largest, size);
    };
    const size_t large = 4;
    for (size_t i = 0; i + large < files; ++i) {
        // Sizes spread evenly on a log scale from 100 B to 200 KB.
        size_t size = static_cast<size_t>(100 * std::exp(rnd.Unit() * std::log(2000.0)));
        std::string folder = "app/m" + std::to_string(i % 40) + "/s" + std::to_string(i % 7) + "/";
        const unsigned pick = static_cast<unsigned>(rnd.Next() % 10);
        if (pick < 5) {
            write(folder + "f" + std::to_string(i) + kText[i % 6], Kind::Text, size);
        } else if (pick < 8) {
            write(folder + "f" + std::to_string(i) + kBinary[i % 4], Kind::Binary, size);
        } else {
            write(folder + "f" + std::to_string(i) + kPacked[i % 4], Kind::Compressed, size);
        }
    }
    // The rest of the bytes in a few large files, as real products have.
    const uint64_t rest = totalBytes > corpus.bytes ? totalBytes - corpus.bytes : large;
    const Kind kinds[] = {Kind::Binary, Kind::Text, Kind::Compressed, Kind::Binary};
    const char* names[] = {"big/engine.dll", "big/history.log", "big/media.zip", "big/data.pak"};
    for (size_t k = 0; k < large; ++k) write(names[k], kinds[k], static_cast<size_t>(rest / large));
    return corpus;
}

struct Measure {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// Runs argv in a child process whose current folder is cwd; wall time from fork to exit.
Measure Run(const std::vector<std::string>& argv, const std::string& cwd) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(cwd.c_str()) != 0) ::_exit(126);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    Measure m;
    int status = 0;
    struct rusage usage = {};
    if (pid > 0 && ::wait4(pid, &status, 0, &usage) == pid) {
        m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        m.peakKb = usage.ru_maxrss;
        m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return m;
}

// Child mode: packs the listed files (relative to base) after a small stub with two workers.
int PackMode(const std::string& base, const std::string& list, const std::string& out) {
    const std::string stub = out + ".stub";
    {
        std::vector<char> image(4096, 0);
        image[0] = 'M';
        image[1] = 'Z';
        std::ofstream(stub, std::ios::binary).write(image.data(), image.size());
    }
    std::vector<PackFileEntry> entries;
    std::ifstream in(list);
    for (std::string line; std::getline(in, line);) entries.push_back({line, ""});
    PackageBuilder builder;
    builder.SetProgressStream(nullptr);
    builder.SetWorkerCount(2);
    if (builder.CreateOutput(sys::Utf8ToWide(out)) != 0) return 1;
    BuildSettings settings{sys::Utf8ToWide(stub), sys::Utf8ToWide(base + "/"), L""};
    int rc = builder.BuildFirstPackage(settings, entries, 1);
    return rc == 0 && builder.CloseOutput() ? 0 : 1;
}

int ExtractMode(const std::string& carrier, const std::string& folder) {
    int error = 0;
    PackageReader reader;
    if (reader.Open(OpenPackageFile(sys::Utf8ToWide(carrier), error)) != 0 || reader.Packages().empty())
        return 1;
    return reader.ExtractPackage(reader.Packages()[0], sys::Utf8ToWide(folder)) == 0 ? 0 : 1;
}

// Files and bytes below a folder, to see that both extractions produced the whole product.
std::pair<size_t, uint64_t> Census(const fs::path& folder) {
    size_t files = 0;
    uint64_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file()) ++files, bytes += e.file_size();
    }
    return {files, bytes};
}

double Mb(uint64_t bytes) {
    return bytes / 1048576.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "pack") == 0) return PackMode(argv[2], argv[3], argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "extract") == 0) return ExtractMode(argv[2], argv[3]);

    fs::path work;
    if (argc > 1) {
        work = argv[1];
        fs::create_directories(work);
    } else {
        std::string pattern = (fs::temp_directory_path() / "qybench-package-XXXXXX").string();
        if (!::mkdtemp(&pattern[0])) return 1;
        work = pattern;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const size_t files = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 5000;
    const uint64_t totalBytes = (argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 200) << 20;
    const std::string self = fs::canonical("/proc/self/exe").string();
    const fs::path src = work / "src";
    fs::remove_all(src);
    std::printf("generating %zu files in %s ...\n", files, src.c_str());
    std::fflush(stdout);
    Corpus corpus = Generate(src, files, totalBytes);
    {
        std::ofstream list(work / "files.txt");
        for (const auto& f : corpus.files) list << f << '\n';
    }
    std::printf("corpus: %zu files, %.1f MB, largest %.1f MB; best of %d run(s)\n\n", corpus.files.size(),
                Mb(corpus.bytes), Mb(corpus.largest), runs);

    const std::string carrier = (work / "product.exe").string();
    const std::string zip = (work / "product.zip").string();
    struct Row {
        const char* what;
        double seconds = 1e300;  // best of the runs
        long peakKb = 0;         // worst of the runs
        bool failed = false;
    };
    std::vector<Row> rows = {{"pack     PackageBuilder, 2 threads"},
                             {"pack     zip -9 -r"},
                             {"extract  PackageReader"},
                             {"extract  unzip -q"}};
    auto keep = [](Row& row, const Measure& m) {
        row.seconds = std::min(row.seconds, m.seconds);
        row.peakKb = std::max(row.peakKb, m.peakKb);
        row.failed = row.failed || m.status != 0;
    };
    bool ok = true;
    for (int r = 0; r < runs; ++r) {
        fs::remove(carrier);
        fs::remove(zip);
        keep(rows[0],
             Run({self, "pack", src.string(), (work / "files.txt").string(), carrier}, work.string()));
        keep(rows[1], Run({"zip", "-q", "-9", "-r", zip, "."}, src.string()));
        const fs::path ours = work / "out-ours", theirs = work / "out-unzip";
        fs::remove_all(ours);
        fs::remove_all(theirs);
        fs::create_directories(ours);
        keep(rows[2], Run({self, "extract", carrier, ours.string()}, work.string()));
        keep(rows[3], Run({"unzip", "-q", zip, "-d", theirs.string()}, work.string()));
        if (r + 1 == runs) {
            auto a = Census(ours), b = Census(theirs);
            if (a.first != corpus.files.size() || a.second != corpus.bytes) {
                std::printf("PackageReader extracted %zu files / %llu bytes\n", a.first,
                            (unsigned long long)a.second);
                ok = false;
            }
            if (b.first != corpus.files.size() || b.second != corpus.bytes) {
                std::printf("unzip extracted %zu files / %llu bytes\n", b.first,
                            (unsigned long long)b.second);
                ok = false;
            }
        }
    }
    const double carrierMb = Mb(fs::file_size(carrier)), zipMb = Mb(fs::file_size(zip));
    std::printf("%-36s %8s %14s %12s\n", "", "wall s", "peak RSS MB", "output MB");
    for (size_t i = 0; i < rows.size(); ++i) {
        char output[32] = "";
        if (i == 0) std::snprintf(output, sizeof(output), "%.1f", carrierMb);
        if (i == 1) std::snprintf(output, sizeof(output), "%.1f", zipMb);
        std::printf("%-36s %8.2f %14.1f %12s%s\n", rows[i].what, rows[i].seconds, rows[i].peakKb / 1024.0,
                    output, rows[i].failed ? "  FAILED" : "");
        ok = ok && !rows[i].failed;
    }
    if (argc <= 1) fs::remove_all(work);
    return ok ? 0 : 1;
}
