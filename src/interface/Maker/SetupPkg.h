// The setup package container of the installer: reading (finding, verifying and extracting the
// packages in a carrier file) and building (appending packages to a setup image).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/AttrMap.h"
#include "interface/Maker/PackageBuilder.h"
#include "interface/Maker/PackageReader.h"

// Thrown only when a package reader cannot be constructed.
class ZelkException : public std::exception {
public:
    ZelkException(std::string message, int code) : m_message(std::move(message)), m_code(code) {}
    const char* what() const noexcept override { return m_message.c_str(); }
    int code() const { return m_code; }

private:
    std::string m_message;
    int m_code;
};

// A package operation's code; a reader that cannot be made (ZelkException) counts as a failed
// operation with the exception's code. The one place the driver turns the exception into a code.
template <typename Operation>
int PackageResult(Operation&& operation) {
    try {
        return operation();
    } catch (const ZelkException& e) {
        return e.code();
    }
}

// The packages carried in this program's own file, read when first asked for. The entry point owns
// it for the run; a reader that could not be made is tried again at the next request.
class SetupPkg;
class OwnSetupPkg {
public:
    OwnSetupPkg();
    ~OwnSetupPkg();
    OwnSetupPkg(const OwnSetupPkg&) = delete;
    OwnSetupPkg& operator=(const OwnSetupPkg&) = delete;

    // Throws ZelkException("SetupPkgParser Init failed.", code) when the file's packages cannot be read.
    SetupPkg& Get();

private:
    std::mutex m_lock;
    std::unique_ptr<SetupPkg> m_package;
};

class ISetupPkg {
public:
    virtual int CreateOutput(const std::wstring& path) = 0;
    virtual int BuildFirstPackage(const BuildSettings& settings, const std::vector<AttrMap>& entries,
                                  uint32_t kind) = 0;
    virtual int AppendPackage(const std::vector<AttrMap>& entries, int checkExists) = 0;
    virtual int ExtractAllProgramFiles(const std::wstring& folder) = 0;
    virtual int ExtractAllSetupFiles(const std::wstring& folder, std::wstring& productConfigName) = 0;
    virtual int ExtractFollowingPackages(const std::wstring& folder) = 0;

protected:
    ~ISetupPkg() = default;
};

class SetupPkg final : public ISetupPkg {
public:
    // Reads the packages of source; throws ZelkException("SetupPkgParser Init failed.", code).
    explicit SetupPkg(std::unique_ptr<IPackageSource> source);
    // A builder only: no carrier is read.
    SetupPkg();

    int CreateOutput(const std::wstring& path) override;
    int BuildFirstPackage(const BuildSettings& settings, const std::vector<AttrMap>& entries,
                          uint32_t kind) override;
    int AppendPackage(const std::vector<AttrMap>& entries, int checkExists) override;
    int ExtractAllProgramFiles(const std::wstring& folder) override;
    // The same, with the items' times given by the handles that write them.
    int ExtractAllProgramFiles(const std::wstring& folder, const PackageReader::ExtractOptions& options);
    int ExtractAllSetupFiles(const std::wstring& folder, std::wstring& productConfigName) override;
    int ExtractFollowingPackages(const std::wstring& folder) override;

    PackageBuilder& Builder() { return m_builder; }
    PackageReader& Reader() { return m_reader; }
    bool CloseOutput() { return m_builder.CloseOutput(); }

private:
    PackageReader m_reader;
    PackageBuilder m_builder;
};

// The program package's total uncompressed size, recorded by ExtractAllProgramFiles.
uint64_t GetInstalledSize();

// The "path"/"newpath" attributes of file entries.
std::vector<PackFileEntry> ToPackEntries(const std::vector<AttrMap>& entries);
