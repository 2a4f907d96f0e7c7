// The one object that owns a run: log and working folder, dispatch of the procedures.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/log/LogPrint.h"
#include "common/run/RunResults.h"
#include "driver/IQYPM.h"
#include "driver/RunLock.h"
#include "system/Win32Handles.h"

class CProductConfig;
class CUpdateEngEx;

class QYPM final : public IQYPM, public ILogWriter {
public:
    QYPM();
    ~QYPM() override;

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

    std::wstring GetSelfName();
    // Whether a procedure runs (on a worker or on the calling thread).
    bool IsRunning() const { return m_busy; }
    // A user's confirmed close: the running procedure stops at its next safe point (before the
    // copy, between two files, a download), leaving what a second run repairs.
    void RequestCancel() { m_cancel = true; }
    bool CancelRequested() const { return m_cancel; }
    // Returns once no procedure runs: the process must not end under a worker.
    void WaitForProcedure() const;
    // The code of the last procedure that ended.
    int LastResult() const { return m_lastResult; }

    // The procedure that belongs to the record's mode, on the calling thread; 0 for other modes.
    int RunProcedure(OpePARAMEx* record);

    // Removes (with a line each) the component and setup file names of a product file that would
    // leave the package folder they are read from and copied into.
    static void DropNamesOutsidePackage(CProductConfig& product);

private:
    int Dispatch(ModeProcedure operation, OpePARAMEx* record);
    int CreateTempInstallDir(const std::wstring& folderName);
    // Reads the product file(s) of an installation or a setup package into target: every file of
    // the product list, or m_ProductConfigPath when the list is empty. 0, or -1 at the first failure.
    int GetProductConfigInfo(CProductConfig& target, const std::wstring& baseFolder,
                             const std::vector<std::wstring>& productList);
    int In_Install(OpePARAMEx* record);
    int In_Uninstall(OpePARAMEx* record);
    // Folders, component files and conditions of a read product for this run's mode.
    void PrepareProductConfig(OpePARAMEx* record, CProductConfig& config);
    // The component files of config, from the folder the mode reads them in.
    void ReadComponentConfigs(OpePARAMEx* record, CProductConfig& config);
    // The product file, then every component file, from the staging folder's "package" folder
    // into the install folder's. Always 0.
    int CopyProductConfigFiles();
    int CopyAllConfigFiles();
    // Posts the uninstall survey answer when there is one; failures are logged.
    void CommitInfo(OpePARAMEx* record);
    // The downloader's progress, handed to the window as action 8 with the speed text.
    static void DownloadProgress(uint32_t total, uint32_t received, double speed);
    // OnStep(action, increment, "") when a window listens.
    void Step(int action, int increment);
    int In_WebInstall(OpePARAMEx* record);
    // The web install's steps before the hand-over: the newest package asked for, downloaded
    // into local and checked; held keeps it open against changes. 0, -1 or -2.
    int FetchNewestInstaller(OpePARAMEx* record, std::wstring& local, sys::UniqueHandle& held);
    void RemoveSetupFolder(const std::wstring& folder);
    // The uninstall's last file step: the whole folder when the install made it, otherwise only
    // what is the installer's and the product folders left empty.
    void RemoveInstallFolder(const CProductConfig& product, const std::vector<std::wstring>& keep);
    static unsigned InstallProc(void* param);
    // RunProcedure, with every exception caught, logged and reported as a failure.
    int RunProcedureCatching(OpePARAMEx* record);

    sys::ComScope m_com;
    // Set on the UI thread, read by the worker: each use loads it once (a window that closes
    // clears it, and stays alive while a worker runs).
    std::atomic<IInstallUIPromptEx*> m_pPrompt{nullptr};
    CUpdateEngEx* m_pEngine;  // the process-wide engine
    std::wstring m_TempDir;
    std::wstring m_ProductConfigPath;
    std::wstring m_SelfName;
    std::atomic<bool> m_busy{false};  // a procedure is running
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_lastResult{0};
    CRunLock m_runLock;
    // Whether the install made the folder this run uninstalls (read by In_Uninstall for DelSelf).
    bool m_FolderCreated = false;
    // The product whose component files Init read; the procedure that follows uses them as read.
    const CProductConfig* m_ComponentsRead = nullptr;
    // The installation's product list as Init read it (uninstall modes).
    std::vector<std::wstring> m_ProductList;
};

// The process-wide driver, created on first use.
QYPM* GetQYPM();
