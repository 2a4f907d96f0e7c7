// The difference check on two products of N files each, half of them changed, with every
// installed copy in place: the engine's check beside the plain rule that scans the other list for
// every item (quadratic). Both must give the same sets. Times are best of three, on a file system
// described in memory. Both columns include building the two products in memory (the same work).
//   checkdiff_bench [max items of the quadratic side, default 10000] [largest N, default 100000]
// N runs through the largest / 100, / 10 and itself.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#include "interface/Parser/CheckDiff.h"
#include "system/FileProbe.h"

namespace {

class MemoryDisk final : public sys::IFileProbe {
public:
    void Put(const std::wstring& path) { m_files.emplace(path, sys::DirectoryEntry{1608710816943, 100}); }
    bool Exists(const std::wstring& path) const override { return m_files.count(path) != 0; }
    bool Entry(const std::wstring& path, sys::DirectoryEntry& entry) const override {
        auto it = m_files.find(path);
        if (it == m_files.end()) return false;
        entry = it->second;
        return true;
    }

private:
    std::unordered_map<std::wstring, sys::DirectoryEntry> m_files;
};

FileItem File(size_t i, bool changed) {
    FileItem file;
    const std::string path = "bin\\module" + std::to_string(i) + ".dll";
    file.attrs.Set("path", path);
    file.attrs.Set("md5", changed ? "changed" + std::to_string(i) : "same" + std::to_string(i));
    file.attrs.Set("time", "1608710816943");
    file.attrs.Set("size", "100");
    ComputeItemHashes(file);
    return file;
}

void Fill(CCheckDiff& check, MemoryDisk& disk, size_t n) {
    check.m_InstallRoot = L"C:\\quilly";
    auto& before = check.m_OldProduct.m_ComponentConfigs;
    auto& after = check.m_NewProduct.m_ComponentConfigs;
    before.push_back(std::make_unique<CComponentConfig>());
    after.push_back(std::make_unique<CComponentConfig>());
    before[0]->m_RootAttrs.Set("name_0409", "Tarn");
    after[0]->m_RootAttrs.Set("name_0409", "Tarn");
    for (size_t i = 0; i < n; ++i) {
        before[0]->m_Files.push_back(File(i, false));
        // Half changed; a tenth of the old files gone, as many new ones added.
        if (i % 10 != 9) after[0]->m_Files.push_back(File(i, i % 2 == 0));
        disk.Put(L"C:\\quilly\\bin\\module" + std::to_wstring(i) + L".dll");
    }
    for (size_t i = n; i < n + n / 10; ++i) after[0]->m_Files.push_back(File(i, false));
}

// The plain rule for the files of one pair of components: for each item, scan the other list.
void QuadraticFiles(const std::vector<FileItem>& p, const std::vector<FileItem>& q, bool add, std::vector<uint32_t>& out) {
    for (const FileItem& item : p) {
        const FileItem* found = nullptr;
        for (const FileItem& other : q) {
            if (other.keyHash == item.keyHash) {
                found = &other;
                break;
            }
        }
        if (!found || (add && found->valueHash != item.valueHash)) out.push_back(item.keyHash);
    }
}

std::vector<uint32_t> Keys(const std::vector<FileItem>& files) {
    std::vector<uint32_t> keys;
    for (const FileItem& f : files) keys.push_back(f.keyHash);
    return keys;
}

template <typename Fn>
double BestOfThree(Fn fn) {
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        fn();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const size_t quadraticLimit = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
    const size_t largest = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
    std::printf("%10s %12s %12s %14s %8s\n", "items", "check ms", "quadratic ms", "delete/add", "same");
    int status = 0;
    for (size_t n : {largest / 100, largest / 10, largest}) {
        MemoryDisk disk;
        std::vector<uint32_t> deleted, added;
        const double check = BestOfThree([&] {
            CCheckDiff diff(&disk);
            Fill(diff, disk, n);
            CComponentConfig d, a;
            diff.CheckProductDifference(d, a, 0);
            deleted = Keys(d.m_Files);
            added = Keys(a.m_Files);
        });
        double quadratic = -1;
        bool same = true;
        if (n <= quadraticLimit) {
            std::vector<uint32_t> qd, qa;
            quadratic = BestOfThree([&] {
                CCheckDiff diff(&disk);
                Fill(diff, disk, n);
                qd.clear();
                qa.clear();
                QuadraticFiles(diff.m_OldProduct.m_ComponentConfigs[0]->m_Files, diff.m_NewProduct.m_ComponentConfigs[0]->m_Files, false, qd);
                QuadraticFiles(diff.m_NewProduct.m_ComponentConfigs[0]->m_Files, diff.m_OldProduct.m_ComponentConfigs[0]->m_Files, true, qa);
            });
            same = qd == deleted && qa == added;
            if (!same) status = 1;
        }
        char sets[32];
        std::snprintf(sets, sizeof(sets), "%zu/%zu", deleted.size(), added.size());
        if (quadratic < 0) {
            std::printf("%10zu %12.1f %12s %14s %8s\n", n, check, "(skipped)", sets, "-");
        } else {
            std::printf("%10zu %12.1f %12.1f %14s %8s\n", n, check, quadratic, sets, same ? "yes" : "NO");
        }
    }
    return status;
}
