// The fixed orders of the runs and the plan's description.
#include "interface/Parser/InstallPlan.h"

#include "system/TextConv.h"

std::vector<PlanStep> PlanSteps(PlanKind kind) {
    switch (kind) {
        case PlanKind::kInstall:
        case PlanKind::kUpdate:
            return {PlanStep::kPrepareFolders,  PlanStep::kRunBeforeCopy,      PlanStep::kDeleteFiles,
                    PlanStep::kCopyFiles,       PlanStep::kCopyConfigFiles,    PlanStep::kRunAfterCopy,
                    PlanStep::kRunOnRegister,   PlanStep::kRegisterComponents, PlanStep::kWriteRegistry,
                    PlanStep::kCreateShortcuts, PlanStep::kRegisterProduct};
        case PlanKind::kUninstall:
            return {PlanStep::kRunBeforeUpdate, PlanStep::kRunOnStopApp,    PlanStep::kUnregisterComponents,
                    PlanStep::kRemoveRegistry,  PlanStep::kRemoveShortcuts, PlanStep::kRefreshTray,
                    PlanStep::kRunOnUnregister, PlanStep::kDeleteFiles,     PlanStep::kRemoveProduct};
        case PlanKind::kStartByOther:
            return {PlanStep::kRunOnRestartApp};
    }
    return {};
}

bool IsDriverStep(PlanStep step) {
    switch (step) {
        case PlanStep::kPrepareFolders:
        case PlanStep::kCopyConfigFiles:
        case PlanStep::kRegisterProduct:
        case PlanStep::kRefreshTray:
        case PlanStep::kRemoveProduct:
            return true;
        default:
            return false;
    }
}

const char* StepName(PlanStep step) {
    switch (step) {
        case PlanStep::kPrepareFolders:
            return "PrepareFolders";
        case PlanStep::kCopyConfigFiles:
            return "CopyConfigFiles";
        case PlanStep::kRegisterProduct:
            return "RegisterProduct";
        case PlanStep::kRefreshTray:
            return "RefreshTray";
        case PlanStep::kRemoveProduct:
            return "RemoveProduct";
        case PlanStep::kRunBeforeCopy:
            return "BeforeCopy";
        case PlanStep::kDeleteFiles:
            return "DeleteFiles";
        case PlanStep::kCopyFiles:
            return "CopyFiles";
        case PlanStep::kRunAfterCopy:
            return "AfterCopy";
        case PlanStep::kRunOnRegister:
            return "OnRegister";
        case PlanStep::kRegisterComponents:
            return "RegisterComponents";
        case PlanStep::kWriteRegistry:
            return "WriteRegistry";
        case PlanStep::kCreateShortcuts:
            return "CreateShortcuts";
        case PlanStep::kRunBeforeUpdate:
            return "BeforeUpdate";
        case PlanStep::kRunOnStopApp:
            return "OnStopApp";
        case PlanStep::kUnregisterComponents:
            return "UnregisterComponents";
        case PlanStep::kRemoveRegistry:
            return "RemoveRegistry";
        case PlanStep::kRemoveShortcuts:
            return "RemoveShortcuts";
        case PlanStep::kRunOnUnregister:
            return "OnUnregister";
        case PlanStep::kRunOnRestartApp:
            return "OnRestartApp";
    }
    return "?";
}

namespace {

const char* KindName(PlanKind kind) {
    switch (kind) {
        case PlanKind::kInstall:
            return "install";
        case PlanKind::kUpdate:
            return "update";
        case PlanKind::kUninstall:
            return "uninstall";
        case PlanKind::kStartByOther:
            return "start by another program";
    }
    return "?";
}

std::string Sizes(const CComponentConfig& set) {
    return std::to_string(set.m_Files.size()) + " files, " + std::to_string(set.m_Regs.size()) +
           " registry values, " + std::to_string(set.m_Modules.size()) + " components, " +
           std::to_string(set.m_Shortcuts.size()) + " shortcuts, " + std::to_string(set.m_RunRules.size()) +
           " run rules";
}

}  // namespace

std::string DescribePlan(const InstallPlan& plan) {
    std::string text = std::string(KindName(plan.kind)) + ": new root " + sys::WideToUtf8(plan.newRoot) +
                       ", old root " + sys::WideToUtf8(plan.oldRoot) + "; add " + Sizes(plan.addSet) +
                       "; delete " + Sizes(plan.deleteSet) + "; run key " +
                       (plan.writeRunKey ? "yes" : "no") + ", desktop shortcut " +
                       (plan.desktopShortcut ? "yes" : "no") + "; steps";
    const char* separator = " ";
    for (PlanStep step : plan.steps) {
        text += separator;
        text += StepName(step);
        separator = ", ";
    }
    return text;
}
