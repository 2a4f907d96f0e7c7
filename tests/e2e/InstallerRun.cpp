#include "InstallerRun.h"

#include <algorithm>

#include <windows.h>

#include <cstdlib>

#include "WinTestSupport.h"
#include "system/FileHelpers.h"

namespace {

struct TopWindowSearch {
    DWORD processId;  // 0: any process
    std::vector<std::wstring> classes;
    HWND found;
    std::wstring windowClass;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<TopWindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t cls[64] = {};
    ::GetClassNameW(window, cls, 64);
    if ((search->processId && owner != search->processId) || !::IsWindowVisible(window)) return TRUE;
    for (const std::wstring& wanted : search->classes) {
        if (wanted == cls) {
            search->found = window;
            search->windowClass = cls;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
    wchar_t cls[64] = {};
    ::GetClassNameW(child, cls, 64);
    if (std::wstring(cls) == L"Static") {
        wchar_t text[512] = {};
        ::GetWindowTextW(child, text, 512);
        if (text[0]) *reinterpret_cast<std::wstring*>(param) += text;
    }
    return TRUE;
}

// Reads and closes a message box of the process, if one is shown.
bool DismissMessageBox(DWORD processId, std::vector<MessageBoxSeen>& boxes) {
    HWND found = FindTopWindow(processId, {L"#32770"});
    if (!found) return false;
    MessageBoxSeen box;
    wchar_t title[256] = {};
    ::GetWindowTextW(found, title, 256);
    box.title = title;
    ::EnumChildWindows(found, &CollectStaticText, reinterpret_cast<LPARAM>(&box.text));
    boxes.push_back(box);
    ::PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
}

}  // namespace

HWND FindTopWindow(unsigned long processId, std::initializer_list<const wchar_t*> classes,
                   std::wstring* windowClass) {
    TopWindowSearch search = {processId, std::vector<std::wstring>(classes.begin(), classes.end()), nullptr, {}};
    ::EnumWindows(&MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    if (windowClass) *windowClass = search.windowClass;
    return search.found;
}

HWND FindWizardWindow(unsigned long processId, std::wstring* windowClass) {
    return FindTopWindow(processId, {L"InstallWnd", L"UninstallWnd", L"WebInstallWnd"}, windowClass);
}

std::wstring ExecutableFromEnvironment(const char* variable) {
    const char* path = std::getenv(variable);
    return path ? HostPathToWindows(path) : L"";
}

std::wstring InstallerPath() {
    return ExecutableFromEnvironment("QY_PACKAGE_MANAGER_EXE");
}

InstallerRun RunInstaller(const std::wstring& arguments, int timeoutMs, std::wstring exe, Wizard wizard) {
    if (exe.empty()) exe = InstallerPath();
    return RunCommandLine(L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments), timeoutMs, exe,
                          wizard);
}

InstallerRun RunCommandLine(std::wstring commandLine, int timeoutMs, const std::wstring& application,
                            Wizard wizard) {
    InstallerRun run;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    FILETIME startedAt;
    ::GetSystemTimeAsFileTime(&startedAt);
    if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), &commandLine[0], nullptr,
                          nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return run;
    }
    sys::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    run.started = true;
    // File times have coarse steps; allow two seconds before the start.
    ULARGE_INTEGER since;
    since.LowPart = startedAt.dwLowDateTime;
    since.HighPart = startedAt.dwHighDateTime;
    since.QuadPart -= 2ull * 10000000ull;
    startedAt.dwLowDateTime = since.LowPart;
    startedAt.dwHighDateTime = since.HighPart;
    run.processId = pi.dwProcessId;
    int waited = 0;
    while (::WaitForSingleObject(process.get(), 100) == WAIT_TIMEOUT) {
        DismissMessageBox(pi.dwProcessId, run.boxes);
        std::wstring windowClass;
        if (HWND shown = FindWizardWindow(pi.dwProcessId, &windowClass)) {
            if (std::find(run.wizards.begin(), run.wizards.end(), windowClass) == run.wizards.end()) {
                run.wizards.push_back(windowClass);
            }
            if (wizard == Wizard::Close) ::PostMessageW(shown, WM_CLOSE, 1, 0);
        }
        waited += 100;
        if (waited > timeoutMs) {
            run.timedOut = true;
            ::TerminateProcess(process.get(), 99);
            ::WaitForSingleObject(process.get(), 5000);
            break;
        }
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    run.exitCode = static_cast<long>(code);
    run.logFile = FindRunLog(pi.dwProcessId, startedAt);
    if (!run.logFile.empty()) run.log = ReadTextFile(run.logFile);
    return run;
}
