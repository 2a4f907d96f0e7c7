// Fuzzes the package walker and the extraction: the input is a whole carrier file. Every package
// the reader accepts is extracted into a fresh folder deep inside a private sandbox; afterwards
// the sandbox must hold nothing but that folder's tree, so an item name that escapes the target
// (by "..", an absolute path or a drive) shows up as a file where none may be.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "interface/Maker/PackageReader.h"
#include "interface/Maker/PackageSource.h"
#include "system/TextConv.h"

namespace fs = std::filesystem;

namespace {

// sandbox/1/2/3/target: escapes of up to three levels land inside the sandbox where we can see them.
class Sandbox {
public:
    Sandbox() {
        std::string pattern = (fs::temp_directory_path() / "qyfuzz-package-XXXXXX").string();
        if (!::mkdtemp(&pattern[0])) std::abort();
        m_root = pattern;
        m_target = m_root / "1" / "2" / "3" / "target";
        m_home = fs::current_path();
    }
    ~Sandbox() {
        std::error_code ec;
        fs::current_path(m_home, ec);
        fs::remove_all(m_root, ec);
    }
    const fs::path& Target() const { return m_target; }

    // Extraction makes the target the current folder; libFuzzer writes its crash files to the
    // current folder, so go back before anything can be reported.
    void Restore() {
        std::error_code ec;
        fs::current_path(m_home, ec);
    }

    // Aborts when any folder on the way to the target holds anything but the next folder of that
    // way (the target's own tree is the extraction's to fill); then removes the target.
    void CheckAndClear() {
        for (fs::path folder = m_target.parent_path();; folder = folder.parent_path()) {
            std::error_code ec;
            for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
                 it.increment(ec)) {
                const fs::path& p = it->path();
                if (p != m_target && !IsAncestorOfTarget(p)) {
                    std::fprintf(stderr, "extraction wrote outside the target folder: %s\n", p.c_str());
                    std::abort();
                }
            }
            if (folder == m_root) break;
        }
        std::error_code ec;
        if (fs::exists(m_target, ec)) fs::remove_all(m_target, ec);
    }

private:
    bool IsAncestorOfTarget(const fs::path& p) const {
        for (fs::path a = m_target.parent_path(); a != m_root; a = a.parent_path()) {
            if (p == a) return true;
        }
        return false;
    }

    fs::path m_root, m_target, m_home;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Sandbox sandbox;
    bool extracted = false;
    {
        PackageReader reader;
        if (reader.Open(MemoryPackageSource(std::vector<uint8_t>(data, data + size))) == 0) {
            const std::wstring target = sys::Utf8ToWide(sandbox.Target().string());
            // Entry by entry, so a damaged early entry does not hide the later ones.
            for (const PackageRecord& package : reader.Packages()) {
                for (size_t i = 0; i < package.entries.size(); ++i) {
                    reader.ExtractEntry(package, i, target);
                    extracted = true;
                }
            }
        }
    }
    // Only extraction writes; an input that reached none has nothing to look at.
    if (extracted) {
        sandbox.Restore();
        sandbox.CheckAndClear();
    }
    return 0;
}
