#include "InstallerRun.h"

#include <algorithm>

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "WinTestSupport.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

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

std::wstring PackSampleVariant(const std::wstring& folder, const std::wstring& skinArchive,
                               const std::function<void(const std::wstring&)>& edit, const std::wstring& programs) {
    const std::wstring sample = ExecutableFromEnvironment("QY_SAMPLE_INSTALLER_EXE");
    const std::wstring setupBase = ExecutableFromEnvironment("QY_SAMPLE_SETUP_DIR");
    const std::wstring qypack = ExecutableFromEnvironment("QY_QYPACK_EXE");
    // A failure says which step failed, so that an occasional one can be told apart.
    auto fail = [](const std::string& why) {
        std::fprintf(stderr, "PackSampleVariant: %s\n", why.c_str());
        return std::wstring();
    };
    if (sample.empty() || setupBase.empty() || qypack.empty()) return fail("environment not set");
    const std::wstring lists = sample.substr(0, sample.rfind(L'\\'));
    const std::wstring copy = folder + L"\\setup";
    if (sys::CreateFolderTree(copy + L"\\package") != 0) return fail("cannot make the setup copy");
    // The setup list: files of the setup folder by relative name, the rest by "source|name".
    std::string list;
    const std::string lines = ReadTextFile(lists + L"\\setup.lst");
    for (size_t start = 0, end; start < lines.size(); start = end + 1) {
        end = lines.find('\n', start);
        if (end == std::string::npos) end = lines.size();
        const std::string line = lines.substr(start, end - start);
        if (line.empty() || line.find("PackageManager.zip") != std::string::npos) continue;
        if (line.find('|') == std::string::npos) {
            const std::wstring name = sys::Utf8ToWide(line);
            if (!::CopyFileW((setupBase + L"\\" + name).c_str(), (copy + L"\\" + name).c_str(), FALSE))
                return fail("cannot copy " + line + ", error " + std::to_string(::GetLastError()));
        }
        list += line + "\n";
    }
    if (!skinArchive.empty()) list += sys::WideToUtf8(skinArchive) + "|Setup\\PackageManager.zip\n";
    if (!WriteTextFile(folder + L"\\setup.lst", list)) return fail("cannot write setup.lst");
    if (edit) edit(copy);
    const std::wstring installer = folder + L"\\QuillyVariant.exe";
    const std::wstring programBase =
        programs.empty() ? setupBase.substr(0, setupBase.rfind(L'\\')) + L"\\program" : programs;
    DWORD code = 1;
    const std::string output =
        RunAndCapture(L"\"" + qypack + L"\" --quiet --stub \"" + InstallerPath() + L"\" --program-base \"" + programBase +
                          L"\" --program \"" + lists + L"\\program.lst\" --setup-base \"" + copy + L"\" --setup \"" +
                          folder + L"\\setup.lst\" -o \"" + installer + L"\"",
                      &code);
    return code == 0 ? installer : fail("qypack ended with " + std::to_string(code) + ": " + output);
}
