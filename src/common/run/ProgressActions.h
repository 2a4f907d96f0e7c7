// The action codes of the progress reports (OnStep, OnStepProgress), the status text each one
// shows, and the download's speed detail: what the driver and the engine report in, and the
// windows show.
#pragma once

#include <string>

enum ProgressAction : int {
    kActionOther = 0,  // and every code without a row: "正在执行其它行为......"
    kActionInitialize = 1,
    kActionDependencies = 2,
    kActionCheck = 3,
    kActionUnpack = 4,
    kActionCollect = 5,
    kActionParse = 6,
    kActionCreateFolder = 7,
    kActionDownload = 8,
    kActionCopy = 9,
    kActionDelete = 10,
    kActionRunComponent = 11,
    kActionShortcut = 12,
    kActionRegister = 13,
    kActionUninstallInfo = 14,
    kActionBlank = 16,
    kActionRegistry = 17,
    kActionStartService = 18,
    kActionDeleteService = 19,
    kActionExecuteAfterCopy = 20,  // 20-23 share "正在执行："
    kActionExecute21 = 21,
    kActionExecuteRegister = 22,
    kActionExecute23 = 23,
    kActionUninstallRun = 24,
    kActionCleanUp = 25,
    kActionComplete = 26,  // the end of an operation
    kActionInstalling = 29,
};

// The status text of an action code; codes without a row give the text for other actions.
std::wstring GetActionText(int action);

// The download's speed detail "，速度：2.00kB": in M above 1 MiB per second, in kB above 1 KiB,
// in B up to it.
std::wstring DownloadSpeedText(double bytesPerSecond);
