// Starting programs for the run rules and component registration: as the installer or with the
// desktop user's token, calling a DLL function, ending a process by its image name. The second
// base of the engine; the operations keep no state.
#pragma once

#include <functional>
#include <string>

#include "system/Win32Handles.h"

class CProgram {
public:
    virtual ~CProgram() = default;

    // path + " " + args, in path's folder, without a window. A path with a blank is quoted and
    // given as the application name too, so "C:\Program Files\..." never starts "C:\Program.exe".
    // 0, or the system error of the failed start. process receives the handle when not null.
    static int RunProgram(const std::wstring& path, const std::wstring& args, sys::UniqueHandle* process);
    // The same with the token of the desktop shell's user; -1 when there is none.
    static int RunProgramAsUser(const std::wstring& path, const std::wstring& args,
                                sys::UniqueHandle* process);
    // Start, wait without a time limit, close: RunProgram's result. onStarted runs while the program
    // does; exitCode receives its exit code, or stays 1 when it cannot be read (the system error of
    // that read is then the thread's last error).
    static int RunToEnd(const std::wstring& path, const std::wstring& args, unsigned long* exitCode = nullptr,
                        const std::function<void()>& onStarted = {});
    // A 64-bit DLL through the helper ("/c"), any other in this process. Always 1.
    static int DllCall(const std::wstring& helper, const std::wstring& dll, const std::wstring& function);
    // Ends the first process with that image name: 0, -1 no process list, -2 not opened,
    // -3 not ended, -4 no such process.
    static int KillProcessByName(const std::wstring& name);
    // A primary token of the desktop shell's user, or none.
    static sys::UniqueHandle GetUserToken();
    static int EnableTokenPrivilege(HANDLE process, const wchar_t* privilege);
    static bool IsX64Image(const std::wstring& path);
    // Waits up to milliseconds; true when the process ended.
    static bool WaitFor(const sys::UniqueHandle& process, unsigned milliseconds);

    // The command line RunProgram and RunProgramAsUser build.
    static std::wstring CommandLine(const std::wstring& path, const std::wstring& args);
};
