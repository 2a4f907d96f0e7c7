// Building carrier files for the package tests: a stub image, files on disk, and packages made
// by the real builder or assembled byte by byte for damaged and hostile cases.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "TestFolder.h"
#include "interface/Maker/PackageBuilder.h"

std::vector<uint8_t> StubImage(size_t size = 4096);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
std::wstring Wide(const std::string& path);

// Builds stub + one package per entry list with the real builder; returns the carrier's path.
std::string BuildCarrier(const TestFolder& folder, const std::string& baseFolder,
                         const std::vector<std::vector<PackFileEntry>>& packages, unsigned workers = 2);

// One package assembled from raw archives, as it would sit at file offset start.
struct RawEntry {
    std::wstring name;
    std::vector<uint8_t> archive;
    uint32_t uncompressedSize;
};
std::vector<uint8_t> AssemblePackage(const std::vector<RawEntry>& entries);
// A stub whose word at 48 points right after it, followed by the packages.
std::vector<uint8_t> Carrier(const std::vector<std::vector<uint8_t>>& packages);
