// The engine's face: its operations are steps of a plan over the engine's own sets and roots,
// carried out by EngineSteps through the Win32 effects.
#include "interface/Parser/UpdateEngEx.h"

#include "common/run/OpePARAMEx.h"
#include "system/SystemInfo.h"

CUpdateEngEx::CUpdateEngEx(const sys::IFileProbe* disk)
    : CCheckDiff(disk), m_SystemArch(sys::GetSystemInfo().archText), m_Effects(m_SystemArch) {}

CUpdateEngEx::~CUpdateEngEx() = default;

int CUpdateEngEx::CheckProductDifference(int mode) {
    m_InstallRoot = mode == 2 ? OldRoot() : NewRoot();
    while (!m_InstallRoot.empty() && (m_InstallRoot.back() == L'\\' || m_InstallRoot.back() == L'/')) {
        m_InstallRoot.pop_back();
    }
    return CheckProductDifference(m_DeleteSet, m_AddSet, mode);
}

InstallPlan CUpdateEngEx::CurrentPlan() const {
    InstallPlan plan(m_DiffMode == 2 ? PlanKind::kUninstall : PlanKind::kInstall, m_DeleteSet, m_AddSet);
    plan.newRoot = NewRoot();
    plan.stagingFolder = StagingFolder();
    plan.oldRoot = OldRoot();
    return plan;
}

InstallPlan CUpdateEngEx::MakePlan(PlanKind kind, const OpePARAMEx* record) const {
    InstallPlan plan = CurrentPlan();
    plan.kind = kind;
    plan.writeRunKey = record ? record->m_RegFlag != 0 : false;
    plan.desktopShortcut = record ? record->m_DesktopShortcut != 0 : true;
    plan.steps = PlanSteps(kind);
    return plan;
}

StepServices CUpdateEngEx::Services(IFileSupply* supply) {
    return StepServices{m_Effects, m_pPrompt, m_Cancelled, supply};
}

int CUpdateEngEx::ApplyStep(const InstallPlan& plan, PlanStep step, IFileSupply* supply) {
    return ApplyPlanStep(plan, step, Services(supply));
}

int CUpdateEngEx::UpdateFiles() {
    DeleteProductFile({});
    AddProductFile();
    return 0;
}

int CUpdateEngEx::DeleteProductFile(std::vector<std::wstring> keep) {
    engine::DeleteProductFiles(CurrentPlan(), Services(nullptr), keep);
    return 0;
}

void CUpdateEngEx::RemoveEmptyProductFolders() {
    engine::RemoveEmptyProductFolders(CurrentPlan(), Services(nullptr));
}

int CUpdateEngEx::AddProductFile() {
    return engine::AddProductFiles(CurrentPlan(), Services(m_FileSupply));
}

int CUpdateEngEx::UpdateFile(const std::wstring& src, const std::wstring& dst, std::wstring& pending) {
    return m_Effects.PlaceFile(src, dst, pending);
}

int CUpdateEngEx::UpdateFileOnReboot(const std::wstring& src, const std::wstring& dst,
                                     std::wstring& pending) {
    return Win32EngineEffects::PlaceAtRestart(src, dst, pending);
}

void CUpdateEngEx::DoRunruleInAddList(const char* phase) {
    engine::RunAddRules(CurrentPlan(), Services(nullptr), phase);
}

void CUpdateEngEx::DoRunruleInDeleteList(const char* phase) {
    engine::RunDeleteRules(CurrentPlan(), Services(nullptr), phase);
}

int CUpdateEngEx::InstallRegistrations(const OpePARAMEx* record) {
    InstallDlls();
    InstallRegs(record ? record->m_RegFlag != 0 : false);
    return InstallShortcuts(record ? record->m_DesktopShortcut != 0 : true);
}

int CUpdateEngEx::InstallDlls() {
    engine::InstallDlls(CurrentPlan(), Services(nullptr));
    return 0;
}

int CUpdateEngEx::InstallRegs(bool runKey) {
    engine::InstallRegs(CurrentPlan(), Services(nullptr), runKey);
    return 0;
}

int CUpdateEngEx::InstallShortcuts(bool desktop) {
    engine::InstallShortcuts(CurrentPlan(), Services(nullptr), desktop);
    return 0;
}

int CUpdateEngEx::UninstallDlls() {
    engine::UninstallDlls(CurrentPlan(), Services(nullptr));
    return 0;
}

int CUpdateEngEx::UninstallRegs() {
    engine::UninstallRegs(CurrentPlan(), Services(nullptr));
    return 0;
}

int CUpdateEngEx::UninstallShortcuts() {
    engine::UninstallShortcuts(CurrentPlan(), Services(nullptr));
    return 0;
}

int CUpdateEngEx::RegComponent(const std::wstring& path, const std::wstring& helper) {
    return m_Effects.RegisterComponent(path, helper, true);
}

int CUpdateEngEx::UnregComponent(const std::wstring& path, const std::wstring& helper) {
    return m_Effects.RegisterComponent(path, helper, false);
}
