#include "PackageTestSupport.h"

#include <fstream>
#include <iterator>

#include "interface/Maker/Md5.h"
#include "interface/Maker/PackageFormat.h"
#include "system/TextConv.h"

std::vector<uint8_t> StubImage(size_t size) {
    std::vector<uint8_t> image(size, 0);
    image[0] = 'M';
    image[1] = 'Z';
    for (size_t i = 64; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7);
    return image;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::wstring Wide(const std::string& path) { return sys::Utf8ToWide(path); }

std::string BuildCarrier(const TestFolder& folder, const std::string& baseFolder,
                         const std::vector<std::vector<PackFileEntry>>& packages, unsigned workers) {
    const std::string stub = folder.path() + "/stub.exe";
    const std::string out = folder.path() + "/installer.exe";
    WriteBytes(stub, StubImage());
    PackageBuilder builder;
    builder.SetProgressStream(nullptr);
    builder.SetWorkerCount(workers);
    if (builder.CreateOutput(Wide(out)) != 0) return "";
    BuildSettings settings{Wide(stub), Wide(baseFolder), L""};
    for (size_t i = 0; i < packages.size(); ++i) {
        int rc = i == 0 ? builder.BuildFirstPackage(settings, packages[i], 1) : builder.AppendPackage(packages[i], true);
        if (rc != 0) return "";
    }
    return builder.CloseOutput() ? out : "";
}

std::vector<uint8_t> AssemblePackage(const std::vector<RawEntry>& entries) {
    std::vector<uint8_t> body;
    std::vector<uint8_t> records;
    std::vector<std::wstring> names;
    uint32_t uncompressed = 0;
    for (const auto& e : entries) {
        pkg::EntryHeader h;
        h.uncompressedSize = e.uncompressedSize;
        h.storedSize = static_cast<uint32_t>(e.archive.size());
        uint8_t raw[16];
        pkg::EncodeEntryHeader(h, raw);
        body.insert(body.end(), raw, raw + 16);
        body.insert(body.end(), e.archive.begin(), e.archive.end());
        records.insert(records.end(), raw, raw + 16);
        names.push_back(e.name);
        uncompressed += e.uncompressedSize;
    }
    std::vector<uint8_t> nameBlock = pkg::ScrambleNames(names);
    pkg::IndexHeader index;
    index.entryCount = static_cast<uint32_t>(entries.size());
    index.nameBlockOffset = entries.empty() ? 32 : 16 + 16 * index.entryCount;
    index.nameBlockSize = static_cast<uint32_t>(nameBlock.size());
    std::vector<uint8_t> indexBytes(16);
    pkg::EncodeIndexHeader(index, indexBytes.data());
    if (entries.empty()) indexBytes.resize(32, 0);
    indexBytes.insert(indexBytes.end(), records.begin(), records.end());

    pkg::PackageHeader header;
    header.entryCount = index.entryCount;
    header.indexOffset = static_cast<uint32_t>(36 + body.size());
    header.tailOffset = static_cast<uint32_t>(header.indexOffset + indexBytes.size() + nameBlock.size());
    header.totalSize = header.tailOffset + 80;
    header.uncompressedSize = uncompressed;
    std::vector<uint8_t> package(36);
    pkg::EncodeHeader(header, package.data());
    pkg::PackageTail tail;
    tail.totalSize = header.totalSize;
    tail.headerDigest = *Md5::Of(package.data(), 36);
    tail.indexDigest = *Md5::Of(indexBytes.data(), indexBytes.size());
    tail.entriesDigest = *Md5::Of(body.data(), body.size());
    package.insert(package.end(), body.begin(), body.end());
    package.insert(package.end(), indexBytes.begin(), indexBytes.end());
    package.insert(package.end(), nameBlock.begin(), nameBlock.end());
    uint8_t rawTail[80];
    pkg::EncodeTail(tail, rawTail);
    package.insert(package.end(), rawTail, rawTail + 80);
    return package;
}

std::vector<uint8_t> Carrier(const std::vector<std::vector<uint8_t>>& packages) {
    std::vector<uint8_t> file = StubImage(1024);
    pkg::WriteLE32(file.data() + 48, static_cast<uint32_t>(file.size()));
    for (const auto& p : packages) file.insert(file.end(), p.begin(), p.end());
    return file;
}
