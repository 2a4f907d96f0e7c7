// The engine's steps over a plan: each one decides from the plan's sets and roots what to do and
// asks the effects to do it. Portable: the same steps run on Windows with the Win32 effects and in
// tests with a recording double.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "common/run/IInstallUIPromptEx.h"
#include "interface/Parser/EngineEffects.h"
#include "interface/Parser/InstallPlan.h"

// What a step needs besides the plan.
struct StepServices {
    IEngineEffects& effects;
    const std::atomic<IInstallUIPromptEx*>& prompt;
    std::function<bool()> cancelled;  // asked between two files of the copy
    IFileSupply* supply = nullptr;    // where the copy takes the add set's files from first
};

// One step of the plan: the engine's steps act, the driver's do nothing. The copy's result for
// kCopyFiles (0, -1, -2, -3), else 0.
int ApplyPlanStep(const InstallPlan& plan, PlanStep step, const StepServices& services);

namespace engine {

// Removes the delete set's files below the old root, except those whose relative path starts with
// an entry of keep.
void DeleteProductFiles(const InstallPlan& plan, const StepServices& services,
                        const std::vector<std::wstring>& keep);
// Removes the folders below the old root that held delete-set files and are now empty, deepest
// first; links and folders with anything left in them stay.
void RemoveEmptyProductFolders(const InstallPlan& plan, const StepServices& services);
// Copies the add set's files from the staging folder (or the supply) to the new root: 0, -1 when a
// target folder could not be made, -2 when a file could not be placed (the rest stay uncopied),
// -3 when cancelled.
int AddProductFiles(const InstallPlan& plan, const StepServices& services);
// The run rules of a phase (exact, case-sensitive match of "when"): the add set's from first to
// last, the delete set's from last to first.
void RunAddRules(const InstallPlan& plan, const StepServices& services, const char* phase);
void RunDeleteRules(const InstallPlan& plan, const StepServices& services, const char* phase);
void InstallDlls(const InstallPlan& plan, const StepServices& services);
void InstallRegs(const InstallPlan& plan, const StepServices& services, bool runKey);
void InstallShortcuts(const InstallPlan& plan, const StepServices& services, bool desktop);
void UninstallDlls(const InstallPlan& plan, const StepServices& services);
void UninstallRegs(const InstallPlan& plan, const StepServices& services);
void UninstallShortcuts(const InstallPlan& plan, const StepServices& services);

}  // namespace engine
