// The install engine: holds the installed and the new product and the two work sets of the
// difference check, turns them into the run's plan, and applies the plan's steps to the machine
// (files, run rules, registrations, registry values, shortcuts) through its Win32 effects. The
// steps themselves are EngineSteps'; the operations below are the face the driver and the tests
// call, each one step over the engine's own sets and roots.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "interface/Parser/CheckDiff.h"
#include "interface/Parser/EngineEffects.h"
#include "interface/Parser/EngineSteps.h"
#include "interface/Parser/InstallPlan.h"
#include "interface/Parser/ItemAttributes.h"
#include "interface/Parser/Program.h"
#include "interface/Parser/Win32EngineEffects.h"

struct OpePARAMEx;

class CUpdateEngEx : public CCheckDiff, public CProgram {
public:
    explicit CUpdateEngEx(const sys::IFileProbe* disk = nullptr);
    ~CUpdateEngEx() override;

    // The delete set's files go from the old root, then the add set's are copied. Always 0.
    virtual int UpdateFiles();

    // The plan of a run of this kind over the engine's sets (after the check) and roots; the
    // record (may be null) gives the flags.
    InstallPlan MakePlan(PlanKind kind, const OpePARAMEx* record) const;
    // One step of a plan; the driver's steps do nothing. The copy's result for kCopyFiles (see
    // AddProductFile), else 0. supply: where the copy takes the add set's files from first.
    int ApplyStep(const InstallPlan& plan, PlanStep step, IFileSupply* supply = nullptr);

    using CCheckDiff::CheckProductDifference;
    // The check on the engine's own sets, resolved against the folder of the product being
    // checked: the installed one's for an uninstall (mode 2), the new one's otherwise.
    int CheckProductDifference(int mode);

    // Removes the delete set's files below the old root, except those whose relative path starts
    // with an entry of keep. Always 0.
    int DeleteProductFile(std::vector<std::wstring> keep);
    // Removes the folders below the old root that held delete-set files and are now empty, deepest
    // first; links and folders with anything left in them stay.
    void RemoveEmptyProductFolders();
    // Copies the add set's files from the staging folder to the new root: 0, -1 when a target
    // folder could not be made, -2 when a file could not be placed (the rest stay uncopied), -3 when
    // m_Cancelled stopped it.
    int AddProductFile();
    // Moves src to dst; a destination in use is moved aside, or the file waits beside it as a
    // pending copy that replaces it at the next restart. 0 placed, 1 pending copy (its path in
    // pending), -1 src missing or the file could be placed neither now nor at the restart.
    int UpdateFile(const std::wstring& src, const std::wstring& dst, std::wstring& pending);
    // Leaves src beside dst under the first free name dst.new, dst.new1, dst.new12, ... and
    // registers it to replace dst at the next restart. 0.
    int UpdateFileOnReboot(const std::wstring& src, const std::wstring& dst, std::wstring& pending);

    // The run rules of a phase (exact, case-sensitive match of "when"): the add set's from first
    // to last, the delete set's from last to first.
    void DoRunruleInAddList(const char* phase);
    void DoRunruleInDeleteList(const char* phase);

    // Components, registry values and shortcuts of the add set. record may be null.
    int InstallRegistrations(const OpePARAMEx* record);
    int InstallDlls();
    int InstallRegs(bool runKey);
    int InstallShortcuts(bool desktop);
    int UninstallDlls();
    int UninstallRegs();
    int UninstallShortcuts();

    // An executable runs with "/regserver", a 64-bit DLL on an x64 system goes to the helper, any
    // other DLL is loaded (its own folder searched first, then the default search) and its
    // DllRegisterServer called. 0 (always for executables and the helper), -2 no such export, the
    // export's negative HRESULT, or the positive system error of a DLL that did not load.
    int RegComponent(const std::wstring& path, const std::wstring& helper);
    // The same with "/unregserver", "/u" and DllUnregisterServer.
    int UnregComponent(const std::wstring& path, const std::wstring& helper);

    // The roots every relative item path is joined to.
    const std::wstring& NewRoot() const { return m_NewProduct.m_WorkDir; }
    const std::wstring& StagingFolder() const { return m_NewProduct.m_SetupDir; }
    const std::wstring& OldRoot() const { return m_OldProduct.m_WorkDir; }

    CComponentConfig m_DeleteSet;
    CComponentConfig m_AddSet;
    // The system's architecture text ("x64", "x86", ...): which 64-bit DLLs need the helper.
    std::wstring m_SystemArch;
    // Asked between two files of the copy: true stops it (AddProductFile then returns -3).
    std::function<bool()> m_Cancelled;
    // Where AddProductFile takes the add set's files from first; null: all from the staging folder.
    IFileSupply* m_FileSupply = nullptr;

private:
    // The plan the single operations work on: the sets and roots as they are now.
    InstallPlan CurrentPlan() const;
    StepServices Services(IFileSupply* supply);

    Win32EngineEffects m_Effects;
};
