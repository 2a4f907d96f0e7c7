// The difference check: compares the installed product with the product being installed and
// turns the comparison into two work lists, the delete set (what the new product no longer has)
// and the add set (what is missing or changed, and installed copies that no longer match their
// records). It only reads directory entries and computes plain data; nothing on the machine
// changes here.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "config/ProductConfig.h"

class IInstallUIPromptEx;
namespace sys {
class IFileProbe;
}

class CCheckDiff {
public:
    // disk: what the check reads directory entries from (the real file system by default).
    explicit CCheckDiff(const sys::IFileProbe* disk = nullptr);
    virtual ~CCheckDiff();
    CCheckDiff(const CCheckDiff&) = delete;
    CCheckDiff& operator=(const CCheckDiff&) = delete;

    // Appends to the (empty) sets: 0, or -1 when a comparison failed. mode 0 install, 1 update
    // (files marked isUpgrade "false" are protected), 2 uninstall and start by another program.
    int CheckProductDifference(CComponentConfig& deleteSet, CComponentConfig& addSet, int mode);

    // Set on the UI thread, read by the worker: each use loads it once.
    std::atomic<IInstallUIPromptEx*> m_pPrompt{nullptr};
    CProductConfig m_OldProduct;
    CProductConfig m_NewProduct;
    int32_t m_DiffMode = 0;
    // The folder the run installs into (or uninstalls from), without a trailing separator: the
    // existence tests of the check resolve relative paths against it.
    std::wstring m_InstallRoot;

protected:
    int DiffProducts(CComponentConfig& out, const CProductConfig& x, const CProductConfig& y, bool add);
    int DiffComponent(CComponentConfig& out, const CComponentConfig& p, const CComponentConfig& q, bool add);
    // Appends every item of the component; in the add direction a file marked isInstall "false"
    // only when it is missing from the installation (a user's settings file survives a reinstall).
    void AppendComponent(CComponentConfig& out, const CComponentConfig& p, bool add);
    void AddChangedFiles(CComponentConfig& addSet, const CComponentConfig& deleteSet,
                         const std::vector<std::unique_ptr<CComponentConfig>>& oldComponents, int mode);

    // True when m_InstallRoot + "\" + relative exists.
    bool InstalledFileExists(const std::wstring& relative) const;
    const sys::IFileProbe& Disk() const { return *m_disk; }

private:
    template <typename Item>
    void DiffItems(std::vector<Item>& out, const std::vector<Item>& p, const std::vector<Item>& q, bool add,
                   bool installRule);

    const sys::IFileProbe* m_disk;
};

// Sorts items by their integer "order" attribute: items that have one are sorted ascending
// (stable) among the places such items take, items without one keep their places. Then removes
// each item equal to its predecessor (the equality given).
void SortRunRules(std::vector<RunRuleItem>& rules);
void SortDrivers(std::vector<DriverItem>& drivers);
void SortModules(std::vector<ModuleItem>& modules);
