// SetupPkg: the ISetupPkg operations over the package reader and builder, and the steps that
// turn an extracted setup package into a ready working folder.
#include "interface/Maker/SetupPkg.h"

#include <atomic>
#include <map>

#include "common/log/log4z.h"
#include "config/FileTargets.h"
#include "config/ProductConfig.h"
#include "config/ProductConfigReader.h"
#include "system/FileHelpers.h"
#include "system/Profile.h"

namespace {

constexpr char kLogSource[] = "interface/Maker/SetupPkg";
std::atomic<uint64_t> g_installedSize{0};

}  // namespace

uint64_t GetInstalledSize() {
    return g_installedSize.load();
}

std::vector<PackFileEntry> ToPackEntries(const std::vector<AttrMap>& entries) {
    std::vector<PackFileEntry> out;
    out.reserve(entries.size());
    for (const auto& attrs : entries)
        out.push_back({std::string(AttrValue(attrs, "path")), std::string(AttrValue(attrs, "newpath"))});
    return out;
}

SetupPkg::SetupPkg() = default;

SetupPkg::SetupPkg(std::unique_ptr<IPackageSource> source) {
    int rc = m_reader.Open(std::move(source));
    if (rc != 0) throw ZelkException("SetupPkgParser Init failed.", rc);
}

OwnSetupPkg::OwnSetupPkg() = default;
OwnSetupPkg::~OwnSetupPkg() = default;

SetupPkg& OwnSetupPkg::Get() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_package) {
        int error = 0;
        std::unique_ptr<IPackageSource> own = OpenOwnExecutable(error);
        if (!own) throw ZelkException("SetupPkgParser Init failed.", error);
        m_package = std::make_unique<SetupPkg>(std::move(own));
    }
    return *m_package;
}

int SetupPkg::CreateOutput(const std::wstring& path) {
    return m_builder.CreateOutput(path);
}

int SetupPkg::BuildFirstPackage(const BuildSettings& settings, const std::vector<AttrMap>& entries,
                                uint32_t kind) {
    return m_builder.BuildFirstPackage(settings, ToPackEntries(entries), kind);
}

int SetupPkg::AppendPackage(const std::vector<AttrMap>& entries, int checkExists) {
    return m_builder.AppendPackage(ToPackEntries(entries), checkExists == 1);
}

int SetupPkg::ExtractAllProgramFiles(const std::wstring& folder) {
    return ExtractAllProgramFiles(folder, {});
}

int SetupPkg::ExtractAllProgramFiles(const std::wstring& folder,
                                     const PackageReader::ExtractOptions& options) {
    const auto& packages = m_reader.Packages();
    if (packages.empty()) return -1;
    g_installedSize = packages[0].header.uncompressedSize;
    return m_reader.ExtractPackage(packages[0], folder, options);
}

int SetupPkg::ExtractFollowingPackages(const std::wstring& folder) {
    const auto& packages = m_reader.Packages();
    if (packages.size() < 2) return -1;
    for (size_t i = 1; i < packages.size(); ++i) {
        if (m_reader.ExtractPackage(packages[i], folder) != 0) return -1;
    }
    return 0;
}

int SetupPkg::ExtractAllSetupFiles(const std::wstring& folder, std::wstring& productConfigName) {
    const auto& packages = m_reader.Packages();
    if (packages.size() < 2) return -1;
    if (int rc = m_reader.ExtractPackage(packages[1], folder)) return rc;

    std::wstring name =
        sys::ReadProfileString(folder + L"\\_setup.ini", L"Product", L"Product", L"Product.config", 260);
    // The product file is read from the package folder by this name: one that leaves it is refused.
    if (name.empty() || name.size() > 259 || !sys::StaysInside(name)) return -5;
    productConfigName = name;

    CProductConfig product;
    if (!ParseProductConfig(folder + L"\\package\\" + name, product)) return -2;
    if (product.m_SetupConfig.empty() || !sys::StaysInside(product.m_SetupConfig)) return -3;

    std::map<std::wstring, std::wstring> targets;
    if (!ReadFileTargets(folder + L"\\package\\" + product.m_SetupConfig, targets)) return -4;
    for (const auto& target : targets) {
        if (target.first == target.second) continue;
        // The names come from the package: a rename out of the working folder is refused.
        if (!pkg::IsSafeItemName(target.first) || !pkg::IsSafeItemName(target.second)) {
            QYLOG_ERROR("ExtractAllSetupFiles, refused rename %S -> %S", target.first.c_str(),
                        target.second.c_str());
            continue;
        }
        sys::MovePath(folder + L"\\" + target.first, folder + L"\\" + target.second);
    }
    return 0;
}
