#include "interface/Parser/CheckDiff.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "config/ConfigText.h"
#include "system/FileProbe.h"
#include "system/TextConv.h"

namespace {

// The first item of a list with each keyHash, found in constant time: the same answer as a scan
// from the front, without the quadratic cost on lists of many thousand files.
template <typename Item>
std::unordered_map<uint32_t, const Item*> FirstByKey(const std::vector<Item>& items) {
    std::unordered_map<uint32_t, const Item*> index;
    index.reserve(items.size());
    for (const Item& item : items) index.emplace(item.keyHash, &item);  // keeps the first
    return index;
}

template <typename Item>
void SortByOrder(std::vector<Item>& items) {
    std::vector<size_t> places;
    std::vector<Item> ordered;
    for (size_t i = 0; i < items.size(); ++i) {
        if (AttrValue(items[i].attrs, "order").empty()) continue;
        places.push_back(i);
        ordered.push_back(std::move(items[i]));
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const Item& a, const Item& b) {
        return config::ParseInt32(AttrValue(a.attrs, "order")) <
               config::ParseInt32(AttrValue(b.attrs, "order"));
    });
    for (size_t k = 0; k < places.size(); ++k) items[places[k]] = std::move(ordered[k]);
}

template <typename Item, typename Same>
void RemoveRepeats(std::vector<Item>& items, Same same) {
    items.erase(std::unique(items.begin(), items.end(), same), items.end());
}

bool SamePath(const AttrMap& a, const AttrMap& b) {
    return config::EqualsNoCase(AttrValue(a, "path"), AttrValue(b, "path"));
}

std::string RuleText(const RunRuleItem& rule) {
    std::string text(AttrValue(rule.attrs, "executable"));
    text += AttrValue(rule.attrs, "args");
    text += AttrValue(rule.attrs, "when");
    return text;
}

}  // namespace

void SortRunRules(std::vector<RunRuleItem>& rules) {
    SortByOrder(rules);
    RemoveRepeats(rules, [](const RunRuleItem& a, const RunRuleItem& b) {
        return config::EqualsNoCase(RuleText(a), RuleText(b));
    });
}

void SortDrivers(std::vector<DriverItem>& drivers) {
    SortByOrder(drivers);
    RemoveRepeats(drivers,
                  [](const DriverItem& a, const DriverItem& b) { return SamePath(a.attrs, b.attrs); });
}

void SortModules(std::vector<ModuleItem>& modules) {
    SortByOrder(modules);
    RemoveRepeats(modules,
                  [](const ModuleItem& a, const ModuleItem& b) { return SamePath(a.attrs, b.attrs); });
}

CCheckDiff::CCheckDiff(const sys::IFileProbe* disk) : m_disk(disk ? disk : &sys::SystemFileProbe()) {}

CCheckDiff::~CCheckDiff() = default;

bool CCheckDiff::InstalledFileExists(const std::wstring& relative) const {
    return m_disk->Exists(m_InstallRoot + L"\\" + relative);
}

int CCheckDiff::CheckProductDifference(CComponentConfig& deleteSet, CComponentConfig& addSet, int mode) {
    m_DiffMode = mode;
    const std::wstring root = m_InstallRoot + L"\\";
    m_OldProduct.UpdateCopyFileRef(*m_disk, root);
    if (DiffProducts(deleteSet, m_OldProduct, m_NewProduct, false) != 0) return -1;
    if (DiffProducts(addSet, m_NewProduct, m_OldProduct, true) != 0) return -1;
    AddChangedFiles(addSet, deleteSet, m_OldProduct.m_ComponentConfigs, mode);
    for (CComponentConfig* set : {&deleteSet, &addSet}) SortRunRules(set->m_RunRules);
    for (CComponentConfig* set : {&deleteSet, &addSet}) SortDrivers(set->m_Drivers);
    for (CComponentConfig* set : {&deleteSet, &addSet}) SortModules(set->m_Modules);
    m_OldProduct.MarkSkippedFiles(deleteSet, true, *m_disk, root);
    m_OldProduct.MarkSkippedFiles(addSet, false, *m_disk, root);
    DisableOrphanItems(addSet);
    return 0;
}

int CCheckDiff::DiffProducts(CComponentConfig& out, const CProductConfig& x, const CProductConfig& y,
                             bool add) {
    for (const auto& p : x.m_ComponentConfigs) {
        const std::string_view name = AttrValue(p->m_RootAttrs, "name_0409");
        const CComponentConfig* pair = nullptr;
        for (const auto& q : y.m_ComponentConfigs) {
            if (config::EqualsNoCase(AttrValue(q->m_RootAttrs, "name_0409"), name)) {
                pair = q.get();
                break;
            }
        }
        if (!pair) {
            AppendComponent(out, *p, add);
        } else if (DiffComponent(out, *p, *pair, add) != 0) {
            return -1;
        }
    }
    return 0;
}

void CCheckDiff::AppendComponent(CComponentConfig& out, const CComponentConfig& p, bool add) {
    out.m_Files.reserve(out.m_Files.size() + p.m_Files.size());  // no doubling of a list of thousands
    for (const FileItem& file : p.m_Files) {
        if (add && AttrIsFalse(file.attrs, "isInstall") && InstalledFileExists(FileTargetPath(file.attrs)))
            continue;
        out.m_Files.push_back(file);
    }
    out.m_Regs.insert(out.m_Regs.end(), p.m_Regs.begin(), p.m_Regs.end());
    out.m_Drivers.insert(out.m_Drivers.end(), p.m_Drivers.begin(), p.m_Drivers.end());
    out.m_Shortcuts.insert(out.m_Shortcuts.end(), p.m_Shortcuts.begin(), p.m_Shortcuts.end());
    out.m_Modules.insert(out.m_Modules.end(), p.m_Modules.begin(), p.m_Modules.end());
    out.m_RunRules.insert(out.m_RunRules.end(), p.m_RunRules.begin(), p.m_RunRules.end());
}

int CCheckDiff::DiffComponent(CComponentConfig& out, const CComponentConfig& p, const CComponentConfig& q,
                              bool add) {
    DiffItems(out.m_Files, p.m_Files, q.m_Files, add, true);
    DiffItems(out.m_Regs, p.m_Regs, q.m_Regs, add, true);
    DiffItems(out.m_Shortcuts, p.m_Shortcuts, q.m_Shortcuts, add, false);
    DiffItems(out.m_Modules, p.m_Modules, q.m_Modules, add, true);
    DiffItems(out.m_Drivers, p.m_Drivers, q.m_Drivers, add, true);
    // Both sets receive the run rules of the new product's component.
    const CComponentConfig& fresh = add ? p : q;
    out.m_RunRules.insert(out.m_RunRules.end(), fresh.m_RunRules.begin(), fresh.m_RunRules.end());
    return 0;
}

namespace {

// The attributes the isInstall rule reads (shortcuts keep theirs in itemAttrs and never use it).
template <typename Item>
const AttrMap& AttrsOf(const Item& item) {
    return item.attrs;
}
const AttrMap& AttrsOf(const ShortcutItem& item) {
    return item.itemAttrs;
}

}  // namespace

template <typename Item>
void CCheckDiff::DiffItems(std::vector<Item>& out, const std::vector<Item>& p, const std::vector<Item>& q,
                           bool add, bool installRule) {
    const auto first = FirstByKey(q);
    for (const Item& item : p) {
        if (add && installRule && AttrIsFalse(AttrsOf(item), "isInstall")) {
            if (!InstalledFileExists(FileTargetPath(AttrsOf(item)))) out.push_back(item);
            continue;
        }
        const auto found = first.find(item.keyHash);
        if (found == first.end() || (add && found->second->valueHash != item.valueHash)) out.push_back(item);
    }
}

void CCheckDiff::AddChangedFiles(CComponentConfig& addSet, const CComponentConfig& deleteSet,
                                 const std::vector<std::unique_ptr<CComponentConfig>>& oldComponents,
                                 int mode) {
    // The sets' keys, gathered only when an installed file is to go back in (a fresh install has
    // none, and tens of thousands of new files would cost their index for nothing).
    std::unordered_set<uint32_t> known;
    bool gathered = false;
    for (const auto& component : oldComponents) {
        for (const FileItem& file : component->m_Files) {
            if (!file.diskChanged) continue;
            if (mode == 1 && AttrIsFalse(file.attrs, "isUpgrade")) continue;
            if (!gathered) {
                known.reserve(addSet.m_Files.size() + deleteSet.m_Files.size());
                for (const FileItem& item : addSet.m_Files) known.insert(item.keyHash);
                for (const FileItem& item : deleteSet.m_Files) known.insert(item.keyHash);
                gathered = true;
            }
            // Installed unchanged by the new product, but missing or altered on disk: again.
            if (known.insert(file.keyHash).second) addSet.m_Files.push_back(file);
        }
    }
    if (mode != 1) return;
    auto protectedFile = [this](const FileItem& file) {
        return AttrIsFalse(file.attrs, "isUpgrade") && InstalledFileExists(FileTargetPath(file.attrs));
    };
    addSet.m_Files.erase(std::remove_if(addSet.m_Files.begin(), addSet.m_Files.end(), protectedFile),
                         addSet.m_Files.end());
}
