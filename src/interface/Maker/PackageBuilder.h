// Writes an installer: the setup image with the first package's offset in its MZ header, then
// one package per call, each from a list of file entries.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "interface/Maker/Md5.h"
#include "interface/Maker/PackageFormat.h"
#include "system/FileHelpers.h"

struct BuildSettings {
    std::wstring setupImagePath;  // the executable the packages follow
    std::wstring baseFolder;      // relative entry paths are resolved against it (joined directly)
    std::wstring reserved;        // not used by the build steps
};

// One file of a package, as a component's Files list gives it (UTF-8).
struct PackFileEntry {
    std::string path;
    std::string newpath;
};

// Where a package entry comes from and the name it gets inside the package.
struct EntrySource {
    std::wstring name;
    std::wstring sourcePath;
};
EntrySource ResolveEntry(const PackFileEntry& entry, const std::wstring& baseFolder);

class PackageBuilder {
public:
    // 0, or -1 when the output cannot be created.
    int CreateOutput(const std::wstring& path);
    int BuildFirstPackage(const BuildSettings& settings, const std::vector<PackFileEntry>& entries,
                          uint32_t kind);
    int AppendPackage(const std::vector<PackFileEntry>& entries, bool checkExists);
    // Closes the output; false when its last bytes could not be written.
    bool CloseOutput();

    // Relative entry paths of the packages built from now on are read from folder.
    void SetBaseFolder(const std::wstring& folder) { m_settings.baseFolder = folder; }
    // Threads that compress entries; the bytes written do not depend on it.
    void SetWorkerCount(unsigned count) { m_workers = count ? count : 1; }
    // Where the progress lines go (stdout by default; null for none).
    void SetProgressStream(FILE* stream) { m_progress = stream; }

private:
    struct WrittenEntries;
    int BuildPackage(const std::vector<PackFileEntry>& entries, bool checkExists);
    // The entries in list order, each packed ahead by the workers; false at the first failure.
    bool WriteEntries(const std::vector<EntrySource>& sources, bool checkExists, WrittenEntries& written);
    bool WriteIndexAndTail(WrittenEntries& written);
    bool Append(const void* data, size_t size);
    bool WriteAt(uint64_t offset, const void* data, size_t size);

    sys::UniqueFile m_out;
    BuildSettings m_settings;
    uint64_t m_packageStart = 0;
    uint64_t m_end = 0;
    unsigned m_workers = 1;
    FILE* m_progress = stdout;
};
