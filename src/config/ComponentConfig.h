// One component file in memory: six ordered item lists, the root's attributes, and the tables of
// values its attributes may take. The difference check's delete and add sets are components
// without a file name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/AttrMap.h"
#include "config/ConfigItems.h"

class CComponentConfig {
public:
    CComponentConfig();

    // Whether a value is allowed for the attribute (names compared without regard to case).
    // "type" is restricted only on a component root.
    bool IsValidAttributeValue(std::string_view name, std::string_view value, bool isRoot) const;

    std::vector<FileItem> m_Files;
    std::vector<RegItem> m_Regs;
    std::vector<ModuleItem> m_Modules;
    std::vector<ShortcutItem> m_Shortcuts;
    std::vector<DriverItem> m_Drivers;
    std::vector<RunRuleItem> m_RunRules;

    // Allowed values; each model keeps its own copy.
    std::vector<std::string> m_RunModes;
    std::vector<std::string> m_Phases;
    std::vector<std::string> m_Commands;
    std::vector<std::string> m_Platforms;
    std::vector<std::string> m_KnownOsVersions;
    std::vector<std::string> m_TrueFalse;
    std::vector<std::string> m_FolderMacros;
    std::vector<std::string> m_YesNo;
    std::vector<std::string> m_RebootValues;
    std::vector<std::string> m_ComponentTypes;

    AttrMap m_RootAttrs;
    std::wstring m_FileName;  // as listed in the product file; empty for the sets
};

// True when value equals one of the members without regard to case.
bool IsInTable(const std::vector<std::string>& table, std::string_view value);
