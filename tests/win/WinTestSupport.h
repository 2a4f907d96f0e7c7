// Shared helpers of the Windows tests: fresh folders, child processes, reading the registry back
// the way an administrator would (reg.exe query).
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "system/FolderSecurity.h"
#include "system/Win32Handles.h"

class WinTestFolder {
public:
    WinTestFolder();
    ~WinTestFolder();
    const std::wstring& path() const { return m_path; }

private:
    std::wstring m_path;
};

// Points TMP and TEMP of this process (and the programs it starts) at folder while it lives.
// Environment variables set for a scope (a null value removes them), as they were afterwards.
class EnvironmentOverride {
public:
    EnvironmentOverride(std::initializer_list<const wchar_t*> names, const wchar_t* value);
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    std::vector<std::pair<const wchar_t*, std::optional<std::wstring>>> m_saved;
};

class TempFolderOverride : public EnvironmentOverride {
public:
    explicit TempFolderOverride(const std::wstring& folder)
        : EnvironmentOverride({L"TMP", L"TEMP"}, folder.c_str()) {}
};

bool WriteTextFile(const std::wstring& path, const std::string& bytes);
std::string ReadTextFile(const std::wstring& path);
bool FileExists(const std::wstring& path);

// A Windows path of a file given either as a Windows path or as a path of the host (Z: drive).
std::wstring HostPathToWindows(const std::string& path);

// Starts a program; the handle is empty when it could not start.
sys::UniqueHandle StartProcess(const std::wstring& exe, const std::wstring& arguments);
// Waits until another process holds the file (it refuses a writer), up to timeoutMs; false when
// that did not happen.
bool WaitUntilHeld(const std::wstring& path, int timeoutMs = 10000);
// Runs a command line to its end and returns what it wrote to standard output and standard
// error; exitCode, when given, receives its exit code.
std::string RunAndCapture(const std::wstring& commandLine, DWORD* exitCode = nullptr);

// The newest (or the earliest) run log of a process below %TEMP%\MVInstallLog created at or
// after since (file names carry the process id, which Wine reuses between runs); empty when there
// is none.
std::wstring FindRunLog(DWORD processId, FILETIME since, bool earliest = false);

// The newest log file of this process (a rolled file may follow the first one).
std::wstring FindOwnLogFile();
// Waits until this process's log holds the text (the writer thread writes within about 50 ms).
bool LogContains(const std::string& text, int timeoutMs = 5000);
// Starts this process's run log the way the installer does (QYPM::Init in a web mode, which reads
// no configuration), for tests that look at log lines; a log already running stays.
void StartRunLog();

class QYPM;
class CUpdateEngEx;
// The driver of this test process, put together as the entry point puts it together (its engine,
// the packages of this program's file), made on first use and kept to the process's end.
QYPM* TestDriver();
CUpdateEngEx& TestEngine();

// A string value of HKLM read with the registry's own API (reg.exe prints in the console code
// page and loses what it cannot show there); empty when there is none.
std::wstring RegText(const wchar_t* subkey, const wchar_t* value);

// The system's pending file operations as reg.exe prints them.
std::string QueryPendingFileOperations();

// Takes the place of the system's folder-security store while it lives: records the descriptor
// (as SDDL) each folder was made with, and reports the security chosen for a path as if the
// system had read it. Wine keeps no ACLs (it reads back the process user as owner and a DACL of
// its own), so what the installer asks for and decides is what these tests can check. Folders are
// made for real, without the descriptor; unless reported otherwise, a folder reads back as owned
// by Administrators with what it was made with (or, when made elsewhere, SYSTEM and
// Administrators only).
class FolderSecurityRecorder final : public sys::FolderSecurityStore {
public:
    FolderSecurityRecorder();
    ~FolderSecurityRecorder() override;
    int Create(const std::wstring& path, PSECURITY_DESCRIPTOR descriptor) override;
    sys::UniqueDescriptor Read(const std::wstring& path) override;
    // Paths without a trailing separator.
    std::map<std::wstring, std::wstring> made;
    std::map<std::wstring, std::wstring> reported;
};
