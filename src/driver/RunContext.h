// What the driver's procedures share for one run: the window they report to, the engine, the
// packages of this program's file, the working folder, the product file's name and what Init
// read, the user's close and the session's run lock. One object, passed down, instead of state
// filled by one procedure and read back by another.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "common/run/IInstallUIPromptEx.h"
#include "driver/RunLock.h"

class CProductConfig;
class CUpdateEngEx;
class OwnSetupPkg;

struct RunContext {
    RunContext(CUpdateEngEx& runEngine, std::atomic<IInstallUIPromptEx*>& window, OwnSetupPkg& ownPackage)
        : engine(runEngine), package(ownPackage), prompt(window) {}
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    // OnStep(action, increment, "") when a window listens.
    void Step(int action, int increment) const {
        if (IInstallUIPromptEx* window = prompt) window->OnStep(action, increment, L"");
    }
    // OnError(message) when a window listens.
    void Error(const wchar_t* message) const {
        if (IInstallUIPromptEx* window = prompt) window->OnError(message);
    }
    // OnFinished(text, 0) when a window listens.
    void Finished(const char* text) const {
        if (IInstallUIPromptEx* window = prompt) window->OnFinished(text, 0);
    }

    CUpdateEngEx& engine;
    OwnSetupPkg& package;
    // The engine's window pointer, the one the driver's SetPrompt sets: set on the UI thread,
    // read by the worker; each use loads it once (a window that closes clears it, and stays alive
    // while a worker runs).
    std::atomic<IInstallUIPromptEx*>& prompt;
    // A user's confirmed close: the running procedure stops at its next safe point.
    std::atomic<bool> cancel{false};
    std::wstring productConfigPath;  // the product file's name, from "_setup.ini"
    CRunLock runLock;
    // Whether the install made the folder this run uninstalls (read by DelSelf).
    bool folderCreated = false;
    // The product whose component files Init read; the procedure that follows uses them as read.
    const CProductConfig* componentsRead = nullptr;
    // The installation's product list as Init read it (uninstall modes).
    std::vector<std::wstring> productList;
};
