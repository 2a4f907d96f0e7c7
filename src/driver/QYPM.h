// The one object that owns a run: log and working folder, dispatch of the procedures.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/log/LogPrint.h"
#include "common/run/RunResults.h"
#include "driver/IQYPM.h"
#include "driver/RunContext.h"
#include "system/Win32Handles.h"

class CProductConfig;
class CUpdateEngEx;
class OwnSetupPkg;

class QYPM final : public IQYPM, public IRunControl, public ILogWriter {
public:
    // The entry point makes the engine and the package access and keeps them for the driver's life.
    // The driver takes over the program's log lines (LogPrint and the system layer's) while it lives.
    QYPM(CUpdateEngEx& engine, OwnSetupPkg& package);
    ~QYPM() override;
    QYPM(const QYPM&) = delete;
    QYPM& operator=(const QYPM&) = delete;

    int Init(OpePARAMEx* record) override;
    int Install(OpePARAMEx* record) override;
    int RunRestartPhase(OpePARAMEx* record) override;
    int StartByOther(OpePARAMEx* record) override;
    int GetFileSizeInfo(FileSizeInfo& info, std::wstring path) override;
    int GetTypeList(OpePARAMEx* record) override;
    int Uninstall(OpePARAMEx* record) override;
    int DelSelf(OpePARAMEx* record) override;
    int WebInstall(OpePARAMEx* record) override;
    void SetPrompt(IInstallUIPromptEx* prompt) override;
    int WriteLog(int level, const char* format, va_list args) override;

    // Whether a procedure runs (on a worker or on the calling thread).
    bool IsRunning() const override { return m_busy; }
    // A user's confirmed close: the running procedure stops at its next safe point (before the
    // copy, between two files, a download), leaving what a second run repairs.
    void RequestCancel() override { m_Run.cancel = true; }
    bool CancelRequested() const { return m_Run.cancel; }
    // Returns once no procedure runs: the process must not end under a worker.
    void WaitForProcedure() const;
    // The code of the last procedure that ended.
    int LastResult() const { return m_lastResult; }

    // The procedure that belongs to the record's mode, on the calling thread; 0 for other modes.
    int RunProcedure(OpePARAMEx* record);

private:
    int Dispatch(ModeProcedure operation, OpePARAMEx* record);
    // Init's first steps: the run's log, inside %TEMP%\MVInstallLog. 0 or -1.
    int StartRunLog();
    // Init's last steps: the product the mode reads, from where it reads it. 0 or -2.
    int ReadProduct(OpePARAMEx* record, bool lockedBefore);
    int In_Install(OpePARAMEx* record);
    int In_Uninstall(OpePARAMEx* record);
    int In_WebInstall(OpePARAMEx* record);
    static unsigned InstallProc(void* param);
    // RunProcedure, with every exception caught, logged and reported as a failure.
    int RunProcedureCatching(OpePARAMEx* record);

    sys::ComScope m_com;
    RunContext m_Run;
    std::atomic<bool> m_busy{false};  // a procedure is running
    std::atomic<int> m_lastResult{0};
    OpePARAMEx* m_WorkerRecord = nullptr;  // the record of the procedure on the worker
};
