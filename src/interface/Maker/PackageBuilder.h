// Writes an installer: the setup image with the first package's offset in its MZ header, then
// one package per call, each from a list of file entries.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "interface/Maker/Md5.h"
#include "interface/Maker/PackageFormat.h"
#include "interface/Maker/ZipMemory.h"
#include "system/FileHelpers.h"

struct BuildSettings {
    std::wstring setupImagePath;  // the executable the packages follow
    std::wstring baseFolder;      // relative entry paths are resolved against it (joined directly)
    std::wstring reserved;        // not used by the build steps
};

// One file of a package, as a component's Files list gives it (UTF-8).
struct PackFileEntry {
    PackFileEntry(std::string path = {}, std::string newpath = {})
        : path(std::move(path)), newpath(std::move(newpath)) {}

    std::string path;
    std::string newpath;
    // Bytes stored instead of the file's (a configuration file the packing tool rewrote).
    std::shared_ptr<const std::string> content;
    // The file read for an entry stored under path itself, wherever the base folder is.
    std::wstring from;
};

// Where a package entry comes from and the name it gets inside the package.
struct EntrySource {
    std::wstring name;
    std::wstring sourcePath;
    std::shared_ptr<const std::string> content;
};
EntrySource ResolveEntry(const PackFileEntry& entry, const std::wstring& baseFolder);

// The archive an entry is stored as: one ZIP item named after the entry, packed at time. The same
// bytes and time always give the same archive.
bool PackEntryArchive(const std::wstring& name, const uint8_t* data, size_t size, const pkg::PackTime& time,
                      std::vector<uint8_t>& archive);

// How the progress lines look: rewritten in place on a terminal, one line per entry elsewhere.
enum class ProgressStyle { InPlace, Lines };

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
    void SetProgressStream(FILE* stream, ProgressStyle style = ProgressStyle::InPlace) {
        m_progress = stream;
        m_progressStyle = style;
    }
    // The moment every entry built from now on records (by default the moment each package starts).
    void SetPackTime(const pkg::PackTime& time) { m_packTime = time; }

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
    ProgressStyle m_progressStyle = ProgressStyle::InPlace;
    std::optional<pkg::PackTime> m_packTime;
};
