#include "config/ComponentConfig.h"

#include "config/ConfigText.h"
#include "config/OsCondition.h"

using config::EqualsNoCase;

CComponentConfig::CComponentConfig()
    : m_RunModes{"asInstaller", "asAdmin", "asUser"},
      m_Phases{"BeforeUpdate", "OnStopApp",    "OnUnregister", "BeforeCopy",   "AfterCopy",
               "OnRegister",   "OnRestartApp", "AfterUpdate",  "AfterRegister"},
      m_Commands{"EXEC", "DLLCALL", "KILL"},
      m_Platforms{"x64", "x86"},
      m_KnownOsVersions{"5.0", "5.1", "5.2", "5.0+", "6.0", "6.1", "6.2", "6.3", "6.0+", "10.0", "10.1", "10.2", "10.0+"},
      m_TrueFalse{"TRUE", "FALSE"},
      m_FolderMacros{"%%ProgramFiles%%", "$System32", "$Desktop", "$Windir", "$InstallRoot"},
      m_YesNo{"yes", "no"},
      m_RebootValues{"0", "1", "2", "4"},
      m_ComponentTypes{"Client", "Center"} {}

bool IsInTable(const std::vector<std::string>& table, std::string_view value) {
    for (const std::string& member : table) {
        if (EqualsNoCase(value, member)) return true;
    }
    return false;
}

bool CComponentConfig::IsValidAttributeValue(std::string_view name, std::string_view value, bool isRoot) const {
    // The rows are tried in this order; a name that matches none may take any value.
    if (EqualsNoCase(name, "isEssential") || EqualsNoCase(name, "isDisplay")) return IsInTable(m_YesNo, value);
    for (const char* flag : {"isUpgrade", "isInstall", "usereg", "finaldel", "bwaitend", "noDelete"}) {
        if (EqualsNoCase(name, flag)) return IsInTable(m_TrueFalse, value);
    }
    if (EqualsNoCase(name, "needReboot")) return IsInTable(m_RebootValues, value);
    if (isRoot && EqualsNoCase(name, "type")) return IsInTable(m_ComponentTypes, value);
    if (EqualsNoCase(name, "os")) {
        std::string lower, upper;
        return IsValidOsSpec(value, lower, upper);
    }
    if (EqualsNoCase(name, "platform")) return IsInTable(m_Platforms, value);
    if (EqualsNoCase(name, "workdir")) return IsInTable(m_FolderMacros, value);
    if (EqualsNoCase(name, "when")) return IsInTable(m_Phases, value);
    if (EqualsNoCase(name, "runMode")) return IsInTable(m_RunModes, value);
    if (EqualsNoCase(name, "cmd")) return IsInTable(m_Commands, value);
    if (EqualsNoCase(name, "order")) return config::ParseInt32(value) > 0;
    return true;
}
