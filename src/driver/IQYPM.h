// The setup driver's interface: everything the entry point and the windows ask of a run.
// The slot order is fixed.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

#include "common/run/OpePARAMEx.h"

class IInstallUIPromptEx;

struct FileSizeInfo {
    std::wstring path;
    uint32_t size = 0;      // low 32 bits of the file size
    std::wstring sizeText;  // megabytes, "%.2fM"
};

// What a window asks of the run besides the operations: whether a procedure runs, and a user's
// confirmed close (the procedure stops at its next safe point).
class IRunControl {
public:
    virtual bool IsRunning() const = 0;
    virtual void RequestCancel() = 0;

protected:
    ~IRunControl() = default;
};

class IQYPM {
public:
    virtual int Init(OpePARAMEx* record) = 0;
    virtual int Install(OpePARAMEx* record) = 0;
    virtual int RunRestartPhase(OpePARAMEx* record) = 0;
    virtual int StartByOther(OpePARAMEx* record) = 0;
    virtual int GetFileSizeInfo(FileSizeInfo& info, std::wstring path) = 0;
    virtual int GetTypeList(OpePARAMEx* record) = 0;
    virtual int Uninstall(OpePARAMEx* record) = 0;
    virtual int DelSelf(OpePARAMEx* record) = 0;
    virtual int WebInstall(OpePARAMEx* record) = 0;
    virtual void SetPrompt(IInstallUIPromptEx* prompt) = 0;
    virtual int WriteLog(int level, const char* format, va_list args) = 0;
    virtual ~IQYPM() = default;
};

// The driver as the windows hold it: its operations and the control of the running procedure.
struct WizardDriver {
    IQYPM& operations;
    IRunControl& run;
};
