// A product's view of its files on disk: which installed copies still match their records, and
// which files of a work set need no work.
#include <cstdio>
#include <cstdlib>

#include "config/ConfigText.h"
#include "config/ProductConfig.h"
#include "system/FileProbe.h"
#include "system/TextConv.h"

namespace {

bool MatchesOnDisk(const FileItem& file, const std::wstring& path, const sys::IFileProbe& disk) {
    const int64_t time = config::ParseInt64(AttrValue(file.attrs, "time"));
    const uint32_t size = static_cast<uint32_t>(config::ParseInt32(AttrValue(file.attrs, "size")));
    return FileMatchesRecord(disk, path, time, size);
}

}  // namespace

bool AttrIsFalse(const AttrMap& attrs, std::string_view name) {
    return config::EqualsNoCase(AttrValue(attrs, name), "false");
}

std::wstring FileTargetPath(const AttrMap& attrs) {
    std::string_view newpath = AttrValue(attrs, "newpath");
    return sys::Utf8ToWide(std::string(newpath.empty() ? AttrValue(attrs, "path") : newpath));
}

bool FileMatchesRecord(const sys::IFileProbe& disk, const std::wstring& path, int64_t recordedMs,
                       uint32_t recordedSize) {
    sys::DirectoryEntry entry;
    if (!disk.Entry(path, entry)) return false;
    // Both times are UTC: no local-time round trip, which would put every file dated in summer
    // time an hour off.
    const int64_t difference = entry.lastWriteMs - recordedMs;
    if (difference > 1000 || difference < -1000) return false;
    return entry.sizeLow == recordedSize;
}

void CProductConfig::UpdateCopyFileRef(const sys::IFileProbe& disk, const std::wstring& installRoot) {
    for (const auto& component : m_ComponentConfigs) {
        for (FileItem& file : component->m_Files) {
            if (AttrIsFalse(file.attrs, "isInstall")) continue;
            if (AttrIsFalse(file.attrs, "isUpgrade")) {
                file.diskChanged = true;
                continue;
            }
            const std::wstring path = ExpandPath(FileTargetPath(file.attrs), installRoot);
            if (!disk.Exists(path)) {
                file.diskChanged = true;
            } else if (!file.diskChanged) {
                file.diskChanged = !MatchesOnDisk(file, path, disk);
            }
        }
    }
    std::fputs("UpdateCopyFileRef  \t\t\t\t\t\t\n", stdout);
}

void CProductConfig::MarkSkippedFiles(CComponentConfig& set, bool isDeleteSet, const sys::IFileProbe& disk,
                                      const std::wstring& installRoot) const {
    for (FileItem& file : set.m_Files) {
        if (file.skip) continue;
        if (isDeleteSet) {
            if (config::EqualsNoCase(AttrValue(file.attrs, "noDelete"), "true")) file.skip = true;
            continue;
        }
        const std::wstring path = ExpandPath(FileTargetPath(file.attrs), installRoot);
        if (disk.Exists(path) && MatchesOnDisk(file, path, disk)) file.skip = true;
    }
}
