#include "WinTestSupport.h"

#include <cstdio>
#include <vector>

#include "driver/QYPM.h"
#include "interface/Maker/SetupPkg.h"
#include "interface/Parser/UpdateEngEx.h"
#include "entry/OpePARAMEx.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"

WinTestFolder::WinTestFolder() {
    static int counter = 0;
    m_path = sys::TempFolder() + L"qywin-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter);
    sys::DeleteFolder(m_path, {});
    sys::CreateFolderTree(m_path);
}

WinTestFolder::~WinTestFolder() {
    sys::DeleteFolder(m_path, {});
}

bool WriteTextFile(const std::wstring& path, const std::string& bytes) {
    sys::UniqueFile file = sys::OpenFile(path, "wb");
    return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

std::string ReadTextFile(const std::wstring& path) {
    sys::UniqueFile file = sys::OpenFile(path, "rb");
    std::string text;
    if (!file) return text;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof(buf), file.get())) > 0;) text.append(buf, n);
    return text;
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring HostPathToWindows(const std::string& path) {
    std::wstring wide = sys::Utf8ToWide(path);
    if (!wide.empty() && wide[0] == L'/') {
        for (auto& c : wide) {
            if (c == L'/') c = L'\\';
        }
        wide = L"Z:" + wide;
    }
    return wide;
}

sys::UniqueHandle StartProcess(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
        return sys::UniqueHandle();
    }
    ::CloseHandle(pi.hThread);
    return sys::UniqueHandle(pi.hProcess);
}

std::string RunAndCapture(const std::wstring& commandLine, DWORD* exitCode) {
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    sys::UniqueHandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.receive(), writeEnd.receive(), &sa, 0)) return {};
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.get();
    si.hStdError = writeEnd.get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::wstring line = commandLine;
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return {};
    sys::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    writeEnd.reset();
    std::string output;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(readEnd.get(), buf, sizeof(buf), &n, nullptr) && n > 0) output.append(buf, n);
    ::WaitForSingleObject(process.get(), 30000);
    if (exitCode && !::GetExitCodeProcess(process.get(), exitCode)) *exitCode = 0xFFFFFFFF;
    return output;
}

std::wstring FindOwnLogFile() {
    return FindRunLog(::GetCurrentProcessId(), FILETIME{});
}

EnvironmentOverride::EnvironmentOverride(std::initializer_list<const wchar_t*> names, const wchar_t* value) {
    for (const wchar_t* name : names) {
        const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
        std::optional<std::wstring> old;
        if (size > 0) {
            std::wstring text(size, L'\0');
            text.resize(::GetEnvironmentVariableW(name, &text[0], size));
            old = text;
        }
        m_saved.emplace_back(name, old);
        ::SetEnvironmentVariableW(name, value);
    }
}

EnvironmentOverride::~EnvironmentOverride() {
    for (const auto& [name, old] : m_saved) ::SetEnvironmentVariableW(name, old ? old->c_str() : nullptr);
}

namespace {

struct TestRun {
    OwnSetupPkg package;
    CUpdateEngEx engine;
    QYPM driver{engine, package};
};

TestRun& Run() {
    static TestRun* run = new TestRun;  // never destroyed: a worker may still use it at exit
    return *run;
}

}  // namespace

QYPM* TestDriver() {
    return &Run().driver;
}

CUpdateEngEx& TestEngine() {
    return Run().engine;
}

void StartRunLog() {
    OpePARAMEx record;
    record.m_Mode = OpePARAMEx::CMD_WEBSILENT;
    TestDriver()->Init(&record);
}

bool LogContains(const std::string& text, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        const std::wstring file = FindOwnLogFile();
        if (!file.empty() && ReadTextFile(file).find(text) != std::string::npos) return true;
        ::Sleep(50);
    }
    return false;
}

std::wstring FindRunLog(DWORD processId, FILETIME since, bool earliest) {
    wchar_t pid[16];
    swprintf(pid, 16, L"_%06u_", static_cast<unsigned>(processId));
    const std::wstring root = sys::TempFolder() + L"MVInstallLog\\";
    std::wstring newest;
    FILETIME newestTime = since;
    bool found = false;
    WIN32_FIND_DATAW folder;
    sys::UniqueFindHandle folders(::FindFirstFileW((root + L"MVInstall_*.log").c_str(), &folder));
    if (!folders) return newest;
    do {
        const std::wstring dir = root + folder.cFileName + L"\\";
        WIN32_FIND_DATAW file;
        sys::UniqueFindHandle files(::FindFirstFileW((dir + L"*" + pid + L"*.log").c_str(), &file));
        if (!files) continue;
        do {
            if (::CompareFileTime(&file.ftCreationTime, &since) < 0) continue;
            const LONG order = ::CompareFileTime(&file.ftCreationTime, &newestTime);
            if (!found || (earliest ? order < 0 : order >= 0)) {
                newestTime = file.ftCreationTime;
                newest = dir + file.cFileName;
                found = true;
            }
        } while (::FindNextFileW(files.get(), &file));
    } while (::FindNextFileW(folders.get(), &folder));
    return newest;
}

bool WaitUntilHeld(const std::wstring& path, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        // A running image and a file opened without write sharing both refuse a writer.
        HANDLE probe =
            ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_SHARING_VIOLATION) return true;
        } else {
            ::CloseHandle(probe);
        }
        ::Sleep(20);
    }
    return false;
}

std::string QueryPendingFileOperations() {
    return RunAndCapture(
        L"reg.exe query \"HKLM\\System\\CurrentControlSet\\Control\\Session Manager\" /v "
        L"PendingFileRenameOperations");
}

std::wstring RegText(const wchar_t* subkey, const wchar_t* value) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, subkey, value, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return L"";
    return data;
}

namespace {

std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

}  // namespace

FolderSecurityRecorder::FolderSecurityRecorder() {
    sys::UseFolderSecurityStore(this);
}
FolderSecurityRecorder::~FolderSecurityRecorder() {
    sys::UseFolderSecurityStore(nullptr);
}

int FolderSecurityRecorder::Create(const std::wstring& path, PSECURITY_DESCRIPTOR descriptor) {
    made[WithoutTrailingSeparator(path)] = sys::DescriptorText(descriptor);
    return sys::FolderSecurityStore::Create(path, nullptr);
}

sys::UniqueDescriptor FolderSecurityRecorder::Read(const std::wstring& path) {
    const std::wstring key = WithoutTrailingSeparator(path);
    if (reported.count(key)) return sys::DescriptorFromText(reported[key]);
    if (made.count(key) && !made[key].empty()) return sys::DescriptorFromText(L"O:BA" + made[key]);
    return sys::DescriptorFromText(L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}
