// Which of the add set's files the copy writes straight from the program package, and the
// entries the extraction into the staging folder can therefore leave out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/ConfigItems.h"
#include "interface/Maker/PackageFileSupply.h"
#include "interface/Parser/UpdateEngEx.h"

class ProgramFileSupply final : public IFileSupply {
public:
    // Pairs each file of the add set with the program package's entry named like its path. The
    // files named in staged (the configuration files the install copies from the staging folder
    // itself) stay staged.
    ProgramFileSupply(const PackageRecord& program, const std::vector<FileItem>& files,
                      const std::vector<std::wstring>& staged);
    // By entry: true for those the copy writes straight into place, and for those no file to
    // place comes from (their files are in place already).
    const std::vector<bool>& LeftOut() const { return m_leftOut; }
    // From here on the files are inflated ahead, to be written when the copy asks.
    void Start(PackageReader& reader, const std::wstring& stagingFolder);

    int WriteFile(size_t file, const std::wstring& path) override;

private:
    const PackageRecord& m_program;
    const std::vector<FileItem>& m_files;
    std::vector<int32_t> m_jobOfFile;  // -1: from the staging folder
    std::vector<PackageFileSupply::Job> m_jobs;
    std::vector<bool> m_leftOut;
    std::unique_ptr<PackageFileSupply> m_supply;
};
