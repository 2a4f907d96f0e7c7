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

namespace {

enum class ValueRule { YesNo, TrueFalse, Reboot, ComponentType, Os, Platform, FolderMacro, Phase, RunMode, Command, Order };

struct RuleRow {
    std::string_view name;
    ValueRule rule;
};

// Tried in this order; a name that matches none may take any value.
constexpr RuleRow kRuleRows[] = {
    {"isEssential", ValueRule::YesNo},      {"isDisplay", ValueRule::YesNo},      {"isUpgrade", ValueRule::TrueFalse},
    {"isInstall", ValueRule::TrueFalse},    {"usereg", ValueRule::TrueFalse},     {"finaldel", ValueRule::TrueFalse},
    {"bwaitend", ValueRule::TrueFalse},     {"noDelete", ValueRule::TrueFalse},   {"needReboot", ValueRule::Reboot},
    {"type", ValueRule::ComponentType},     {"os", ValueRule::Os},                {"platform", ValueRule::Platform},
    {"workdir", ValueRule::FolderMacro},    {"when", ValueRule::Phase},           {"runMode", ValueRule::RunMode},
    {"cmd", ValueRule::Command},            {"order", ValueRule::Order},
};

}  // namespace

bool CComponentConfig::IsValidAttributeValue(std::string_view name, std::string_view value, bool isRoot) const {
    for (const RuleRow& row : kRuleRows) {
        // Every attribute goes through here; the length check spares most comparisons.
        if (name.size() != row.name.size() || !EqualsNoCase(name, row.name)) continue;
        switch (row.rule) {
            case ValueRule::YesNo: return IsInTable(m_YesNo, value);
            case ValueRule::TrueFalse: return IsInTable(m_TrueFalse, value);
            case ValueRule::Reboot: return IsInTable(m_RebootValues, value);
            case ValueRule::ComponentType:
                // Restricted on a component root only; elsewhere "type" is free text.
                if (!isRoot) continue;
                return IsInTable(m_ComponentTypes, value);
            case ValueRule::Os: {
                std::string lower, upper;
                return IsValidOsSpec(value, lower, upper);
            }
            case ValueRule::Platform: return IsInTable(m_Platforms, value);
            case ValueRule::FolderMacro: return IsInTable(m_FolderMacros, value);
            case ValueRule::Phase: return IsInTable(m_Phases, value);
            case ValueRule::RunMode: return IsInTable(m_RunModes, value);
            case ValueRule::Command: return IsInTable(m_Commands, value);
            case ValueRule::Order: return config::ParseInt32(value) > 0;
        }
    }
    return true;
}
