#include "InstallerInspect.h"

#include <cstdio>
#include <memory>

#include "ToolOutput.h"
#include "interface/Maker/PackageReader.h"
#include "interface/Maker/PackageSource.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

// --list and --extract: the reader's view of an installer. An installer holds a program package
// and a setup package; a file with less fails, naming what the reader met where its walk ended.
int InspectInstaller(const std::string& installer, const std::string* extractTo) {
    int error = 0;
    std::unique_ptr<IPackageSource> source = OpenPackageFile(sys::Utf8ToWide(installer), error);
    if (!source) return Fail(kExitInput, "cannot read '" + installer + "'");
    PackageReader reader;
    const int rc = reader.Open(std::move(source));
    const std::string problem = reader.Problem();
    if (rc) {
        return Fail(kExitInput, "'" + installer + "' is damaged (code " + std::to_string(rc) + ")" +
                                    (problem.empty() ? "" : ": " + problem));
    }
    const auto& packages = reader.Packages();
    const bool complete = packages.size() >= 2;
    const std::string incomplete = "'" + installer + "' is not a complete installer: it holds " +
                                   std::to_string(packages.size()) +
                                   " package(s), not a program package and a setup package" +
                                   (problem.empty() ? "" : " (" + problem + ")");
    if (!complete && extractTo) return Fail(kExitInput, incomplete);

    // Extraction makes each target folder the current one, so a relative DIR would nest.
    std::wstring root;
    if (extractTo) {
        root = sys::AbsolutePath(sys::Utf8ToWide(*extractTo));
        if (root.empty() || (root.back() != L'\\' && root.back() != L'/')) root += L'\\';
    }
    for (size_t i = 0; i < packages.size(); ++i) {
        const PackageRecord& p = packages[i];
        std::printf("package %zu at %u: %zu entries, %u bytes, %u bytes unpacked\n", i + 1, p.start,
                    p.entries.size(), p.header.totalSize, p.header.uncompressedSize);
        if (!extractTo) {
            for (size_t k = 0; k < p.entries.size(); ++k) {
                std::printf("  %10u %10u  %s\n", p.entries[k].uncompressedSize, p.entries[k].storedSize,
                            sys::WideToUtf8(std::wstring(p.names[k])).c_str());
            }
            continue;
        }
        const std::wstring folder = root + std::to_wstring(i + 1);
        sys::CreateFolderTree(folder);
        if (int rc = reader.ExtractPackage(p, folder)) {
            return Fail(kExitBuild, "extracting package " + std::to_string(i + 1) + " failed (code " +
                                        std::to_string(rc) + ")");
        }
    }
    std::fflush(stdout);  // the listing before the verdict
    if (!complete) return Fail(kExitInput, incomplete);
    // A signed installer carries its certificate table behind the last package.
    if (!problem.empty()) {
        std::fprintf(stderr, "qypack: note: what follows package %zu is not a package (%s)\n",
                     packages.size(), problem.c_str());
    }
    return kExitOk;
}
