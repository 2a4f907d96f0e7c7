// Runs PackageManager.exe as a user would and observes what the user would see: message boxes
// (read and dismissed with OK), the exit code, and the log file the run wrote.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

struct MessageBoxSeen {
    std::wstring title;
    std::wstring text;
};

// What the run does with the wizard window of an interactive mode: leave it to the test (which
// then drives it or lets the run time out), or close it once it shows (a user closing it).
enum class Wizard { Leave, Close };

struct InstallerRun {
    bool started = false;
    std::vector<std::wstring> wizards;  // window classes of the wizard windows that showed
    bool timedOut = false;
    unsigned long processId = 0;
    long exitCode = 0;
    std::vector<MessageBoxSeen> boxes;
    std::wstring logFile;  // empty when the run wrote no log
    std::string log;
};

// The installer under test (QY_PACKAGE_MANAGER_EXE).
std::wstring InstallerPath();
// A Windows path from an environment variable that holds a host path (empty when unset).
std::wstring ExecutableFromEnvironment(const char* variable);
InstallerRun RunInstaller(const std::wstring& arguments, int timeoutMs = 60000, std::wstring exe = L"",
                          Wizard wizard = Wizard::Leave);
// The same for a whole command line, started as the system starts one (no application name
// unless given).
InstallerRun RunCommandLine(std::wstring commandLine, int timeoutMs = 60000,
                            const std::wstring& application = L"", Wizard wizard = Wizard::Leave);
// A visible top-level window of a process (0: of any process) with one of the classes, or null.
HWND FindTopWindow(unsigned long processId, std::initializer_list<const wchar_t*> classes,
                   std::wstring* windowClass = nullptr);
// The visible wizard window (InstallWnd, UninstallWnd, WebInstallWnd) of a process, or null.
HWND FindWizardWindow(unsigned long processId, std::wstring* windowClass = nullptr);

// The sample installer packed again (qypack, QY_QYPACK_EXE) into folder\QuillyVariant.exe from a
// copy of its setup files, which edit may change first (it gets the copy's folder). The setup
// package carries skinArchive as its skin archive, or none when it is empty; the program files
// come from programBase when one is given. The installer's path, or empty on failure.
std::wstring PackSampleVariant(const std::wstring& folder, const std::wstring& skinArchive,
                               const std::function<void(const std::wstring&)>& edit = {},
                               const std::wstring& programBase = L"");
