// The web install: the newest full package is asked for, downloaded in four ranges and handed
// over, run silently (and waited for) or opened through the shell.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "common/log/log4z.h"
#include "driver/QYPM.h"
#include "entry/OpePARAMEx.h"
#include "net/Downloader.h"
#include "net/UpdateProtocol.h"
#include "interface/Parser/Program.h"
#include "system/Process.h"
#include "system/TextConv.h"
#include "system/TextRules.h"
#include "ui/IInstallUIPromptEx.h"
#include "ui/ProgressRules.h"

namespace {

constexpr char kLogSource[] = "QYPM";

// The last path component of the server's file name; empty when nothing usable is left (a
// name must never lead out of the download folder or name a device).
std::wstring SafeFileName(const std::string& announced) {
    std::wstring name = sys::Utf8ToWide(announced);
    const size_t slash = name.find_last_of(L"\\/:");
    if (slash != std::wstring::npos) name = name.substr(slash + 1);
    const std::wstring_view trimmed = sys::Trim(std::wstring_view(name));
    name = std::wstring(trimmed);
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    if (name.empty() || name == L"." || name == L"..") return L"";
    const std::wstring stem = name.substr(0, name.find(L'.'));
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"COM1", L"COM2", L"COM3", L"COM4", L"COM5", L"COM6",
                                  L"COM7", L"COM8", L"COM9", L"LPT1", L"LPT2", L"LPT3", L"LPT4", L"LPT5", L"LPT6",
                                  L"LPT7", L"LPT8", L"LPT9"}) {
        if (sys::EqualsNoCase(std::wstring_view(stem), std::wstring_view(device))) return L"";
    }
    for (wchar_t c : name) {
        if (c < 0x20 || std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos) return L"";
    }
    return name;
}

}  // namespace

void QYPM::DownloadProgress(uint32_t total, uint32_t received, double speed) {
    QYPM* driver = GetQYPM();
    if (driver->m_pPrompt) {
        driver->m_pPrompt->OnStepProgress(kActionDownload, static_cast<int>(received), static_cast<int>(total),
                                          DownloadSpeedText(speed), 90);
    }
}

int QYPM::GetTypeList(OpePARAMEx*) { return ::GetTypeList(m_pPrompt); }

int QYPM::In_WebInstall(OpePARAMEx* record) {
    PackageInfo package;
    const int found = GetDownloadUrl(sys::ProgramPath(), package);
    if (found != 0) {
        QYLOG_ERROR("In_WebInstall, GetDownloadUrl fail, nret %d", found);
        if (m_pPrompt) m_pPrompt->OnError(L"下载失败");
        return -1;
    }
    CreateTempInstallDir(L"~QYDownload");
    record->m_TempDir = m_TempDir;
    const std::wstring name = SafeFileName(package.fileName);
    if (name.empty()) {
        QYLOG_ERROR("In_WebInstall, refused the file name %s", package.fileName.c_str());
        if (m_pPrompt) m_pPrompt->OnError(L"下载失败");
        return -2;
    }
    const std::wstring local = m_TempDir + L"\\" + name;

    CDownloader downloader(package.url, package.url, sys::WideToUtf8(local), package.md5, &QYPM::DownloadProgress, this, 4);
    if (!downloader.Download()) {
        QYLOG_ERROR("In_WebInstall, download fail");
        if (m_pPrompt) m_pPrompt->OnError(L"下载失败");
        return -2;
    }
    if (record->m_Mode == OpePARAMEx::CMD_WEBINSTALL) {
        ::ShellExecuteW(nullptr, L"open", local.c_str(), L"", L"", SW_SHOWNORMAL);
        return 0;
    }
    void* process = nullptr;
    const int started = CProgram::RunProgram(local, L"/silent /norestart", &process);
    if (started != 0) {
        if (m_pPrompt) m_pPrompt->OnError(L"安装失败");
        QYLOG_ERROR("In_WebInstall, RunProgram fail, file %S arg /silent err %d", local.c_str(), started);
        return -3;
    }
    if (m_pPrompt) m_pPrompt->OnStepProgress(kActionInstalling, 0, 100, L"", 100);
    CProgram::WaitFor(process, INFINITE);
    DWORD code = 1;
    const bool read = ::GetExitCodeProcess(static_cast<HANDLE>(process), &code) != 0;
    const int error = static_cast<int>(::GetLastError());
    CProgram::Close(process);
    if (!read || code != 0) {
        if (m_pPrompt) m_pPrompt->OnError(L"安装失败");
        QYLOG_ERROR("In_WebInstall, GetExitCodeProcess fail, nret %d err %d", 0, error);
        return -4;
    }
    if (m_pPrompt) m_pPrompt->OnFinished(nullptr, 0);
    return 0;
}
