// The web install: the newest full package is asked for, downloaded in four ranges and handed
// over, run silently (and waited for) or opened through the shell.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "common/log/log4z.h"
#include "driver/DownloadTrust.h"
#include "common/run/RunResults.h"
#include "driver/ProductPreparation.h"
#include "driver/Procedures.h"
#include "driver/RunContext.h"
#include "net/Downloader.h"
#include "net/UpdateProtocol.h"
#include "interface/Parser/Program.h"
#include "system/FileHelpers.h"
#include "system/Process.h"
#include "system/Win32Handles.h"
#include "system/TextConv.h"
#include "system/TextRules.h"
#include "common/run/IInstallUIPromptEx.h"
#include "common/run/ProgressActions.h"

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
    for (const wchar_t* device : {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4",
                                  L"COM5", L"COM6", L"COM7", L"COM8", L"COM9", L"LPT1", L"LPT2", L"LPT3",
                                  L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"}) {
        if (sys::EqualsNoCase(std::wstring_view(stem), std::wstring_view(device))) return L"";
    }
    for (wchar_t c : name) {
        if (c < 0x20 || std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos) return L"";
    }
    return name;
}

// The web install's steps before the hand-over: the newest package asked for, downloaded into local
// and checked; held keeps it open against changes. 0, -1 or -2.
int FetchNewestInstaller(RunContext& run, OpePARAMEx* record, std::wstring& local, sys::UniqueHandle& held) {
    PackageInfo package;
    const int found = GetDownloadUrl(sys::ProgramPath(), package);
    if (found != 0) {
        QYLOG_ERROR("In_WebInstall, GetDownloadUrl fail, nret %d", found);
        run.Error(L"下载失败");
        return -1;
    }
    std::wstring downloads;
    if (CreateTempInstallDir(L"~QYDownload", downloads) != 0) {
        QYLOG_ERROR("In_WebInstall, CreateTempInstallDir failed %d", static_cast<int>(sys::LastErrorCode()));
        run.Error(L"下载失败");
        return -2;
    }
    record->m_TempDir = downloads;
    const std::wstring name = SafeFileName(package.fileName);
    if (name.empty()) {
        QYLOG_ERROR("In_WebInstall, refused the file name %s", package.fileName.c_str());
        run.Error(L"下载失败");
        return -2;
    }
    local = downloads + L"\\" + name;

    // The downloader's progress, handed to the window as action 8 with the speed text.
    auto progress = [&run](uint32_t total, uint32_t received, double speed) {
        if (IInstallUIPromptEx* prompt = run.prompt) {
            prompt->OnStepProgress(kActionDownload, static_cast<int>(received), static_cast<int>(total),
                                   DownloadSpeedText(speed), 90);
        }
    };
    CDownloader downloader(package.url, package.url, sys::WideToUtf8(local), package.md5, progress, 4);
    downloader.ExpectSize(static_cast<uint32_t>(package.size));
    downloader.StopWhen(&run.cancel);
    const bool downloaded = downloader.Download();
    if (run.cancel) {
        QYLOG_ERROR("In_WebInstall, cancelled by the user: nothing is started");
        return kProcedureCancelled;
    }
    if (!downloaded) {
        QYLOG_ERROR("In_WebInstall, download fail");
        run.Error(L"下载失败");
        return -2;
    }
    // Held open against changes from the check until the installer has started.
    held.reset(::CreateFileW(local.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    const DownloadTrust trust = held ? CheckDownloadedInstaller(sys::ProgramPath(), local, held.get())
                                     : DownloadTrust{false, false, "it cannot be opened"};
    if (!trust.allowed) {
        held.reset();
        sys::RemoveFile(local);
        QYLOG_ERROR("In_WebInstall, download fail, %S refused: %s", local.c_str(), trust.reason.c_str());
        run.Error(L"下载失败");
        return -2;
    }
    if (trust.authenticated) {
        QYLOG_INFO("In_WebInstall, %S %s", local.c_str(), trust.reason.c_str());
    } else {
        QYLOG_WARN("In_WebInstall, the download was not authenticated: %s", trust.reason.c_str());
    }
    return 0;
}

void RemoveSetupFolder(RunContext& run, const std::wstring& folder) {
    if (folder.empty() || folder != sys::TempFolder() + L"~QYSetup") return;
    // The folder is shared by every installer of the session: it is this run's only while no
    // other run holds the lock (a web install gave the lock up after Init).
    const bool lockedBefore = run.runLock.Held();
    if (!lockedBefore && !run.runLock.Acquire()) return;
    // The extraction left the process inside the folder; a current folder cannot be removed.
    sys::SetCurrentFolder(sys::TempFolder());
    sys::DeleteFolder(folder, {});
    if (!lockedBefore) run.runLock.Release();
}

}  // namespace

int FetchTypeList(RunContext& run) {
    return GetTypeList(run.prompt);
}

int WebInstallProcedure(RunContext& run, OpePARAMEx* record) {
    // The setup files this web installer was started from are of no use to the installer it
    // hands over to (which makes its own working folder under the same name): they go before it
    // starts, and on every failure.
    const std::wstring setupFolder = record->m_TempDir;
    std::wstring local;
    sys::UniqueHandle held;
    const int fetched = FetchNewestInstaller(run, record, local, held);
    RemoveSetupFolder(run, setupFolder);
    if (fetched != 0) return fetched;

    if (record->m_Mode == OpePARAMEx::CMD_WEBINSTALL) {
        // Started in its own folder: the current folder is this process's, not the new installer's.
        ::ShellExecuteW(nullptr, L"open", local.c_str(), L"", record->m_TempDir.c_str(), SW_SHOWNORMAL);
        return 0;
    }
    // The downloaded file stays held against changes until the program runs from it.
    unsigned long code = 1;
    const int started = CProgram::RunToEnd(local, L"/silent /norestart", &code, [&] {
        held.reset();
        if (IInstallUIPromptEx* prompt = run.prompt)
            prompt->OnStepProgress(kActionInstalling, 0, 100, L"", 100);
    });
    held.reset();
    if (started != 0) {
        run.Error(L"安装失败");
        QYLOG_ERROR("In_WebInstall, RunProgram fail, file %S arg /silent err %d", local.c_str(), started);
        return -3;
    }
    const int error = static_cast<int>(::GetLastError());
    if (code != 0) {
        run.Error(L"安装失败");
        QYLOG_ERROR("In_WebInstall, GetExitCodeProcess fail, nret %d err %d", 0, error);
        return -4;
    }
    run.Finished(nullptr);
    return 0;
}
