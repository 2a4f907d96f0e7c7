// The plan of a run: what the difference check decided (the delete and add sets), where it
// applies (the roots), how (the mode record's flags) and in which order (the steps). Plain data,
// logged once; the engine applies its steps, the driver does the steps marked as its own.
#pragma once

#include <string>
#include <vector>

#include "config/ComponentConfig.h"

enum class PlanKind { kInstall, kUpdate, kUninstall, kStartByOther };

enum class PlanStep {
    // The driver's own steps, between the engine's.
    kPrepareFolders,   // the install folder, the staging folder, the program package
    kCopyConfigFiles,  // the configuration files into "package", the product list
    kRegisterProduct,  // the uninstall entry, the install-path value; the working folders go
    kRefreshTray,      // the notification area, after the uninstall's shortcuts
    kRemoveProduct,    // the uninstall's folder, its entry and key
    // The engine's.
    kRunBeforeCopy,
    kDeleteFiles,  // the delete set's files, except the plan's kept names
    kCopyFiles,    // the add set's files into the new root
    kRunAfterCopy,
    kRunOnRegister,
    kRegisterComponents,
    kWriteRegistry,
    kCreateShortcuts,
    kRunBeforeUpdate,
    kRunOnStopApp,
    kUnregisterComponents,
    kRemoveRegistry,
    kRemoveShortcuts,
    kRunOnUnregister,
    kRunOnRestartApp,  // the delete set's, when another program starts the installed product
};

struct InstallPlan {
    InstallPlan(PlanKind planKind, const CComponentConfig& deletes, const CComponentConfig& adds)
        : kind(planKind), deleteSet(deletes), addSet(adds) {}

    PlanKind kind;
    const CComponentConfig& deleteSet;
    const CComponentConfig& addSet;
    std::wstring newRoot;            // where the add set goes
    std::wstring stagingFolder;      // where the add set's files wait
    std::wstring oldRoot;            // where the delete set is
    bool writeRunKey = false;        // the mode record's m_RegFlag: values under the Run key are written
    bool desktopShortcut = true;     // the mode record's m_DesktopShortcut
    std::vector<std::wstring> keep;  // relative paths the delete step leaves (the running program)
    std::vector<PlanStep> steps;
};

// The steps of a kind of run, in their fixed order.
std::vector<PlanStep> PlanSteps(PlanKind kind);

// True for the steps the driver does itself.
bool IsDriverStep(PlanStep step);

// "CopyFiles", ...
const char* StepName(PlanStep step);

// One line for the log: kind, roots, set sizes, flags and steps.
std::string DescribePlan(const InstallPlan& plan);
