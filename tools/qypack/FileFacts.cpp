#include "FileFacts.h"

#include <vector>

#include "interface/Maker/Md5.h"
#include "interface/Maker/PackageBuilder.h"
#include "system/FileHelpers.h"
#include "system/FileProbe.h"
#include "system/TextConv.h"

namespace {

std::string HexDigest(const std::vector<uint8_t>& bytes) {
    const auto digest = Md5::Of(bytes.data(), bytes.size());
    return digest ? Md5::Hex(*digest) : std::string();
}

}  // namespace

bool ReadFileFacts(const std::wstring& path, const std::wstring& entryName, const pkg::PackTime* packTime,
                   FileFacts& facts, std::string& error) {
    const std::string shown = sys::WideToUtf8(path);
    sys::DirectoryEntry entry;
    std::vector<uint8_t> data;
    if (!sys::SystemFileProbe().Entry(path, entry) || !sys::ReadWholeFile(path, data)) {
        error = "cannot read '" + shown + "'";
        return false;
    }
    facts.md5 = HexDigest(data);
    facts.size = data.size();
    facts.timeMs = entry.lastWriteMs;
    if (packTime) {
        std::vector<uint8_t> archive;
        if (!PackEntryArchive(entryName, data.data(), data.size(), *packTime, archive)) {
            error = "cannot pack '" + shown + "'";
            return false;
        }
        facts.compressMd5 = HexDigest(archive);
        facts.compressSize = archive.size();
    }
    if (facts.md5.empty() || (packTime && facts.compressMd5.empty())) {
        error = "cannot compute the MD5 digest of '" + shown + "'";
        return false;
    }
    return true;
}
