#include "interface/Parser/ShortCut.h"

#include <windows.h>
#include <shlobj.h>

#include "config/SpecialFolders.h"
#include "system/Win32Handles.h"

int CreateShortCut(const std::wstring& path, const std::wstring& target, const std::wstring& args) {
    sys::ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.receiveVoid()))) {
        return -2;
    }
    link->SetPath(target.c_str());
    link->SetArguments(args.c_str());
    link->SetShowCmd(SW_SHOW);
    const size_t slash = target.rfind(L'\\');
    link->SetWorkingDirectory((slash == std::wstring::npos ? target : target.substr(0, slash)).c_str());
    sys::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.receiveVoid()))) return -1;
    file->Save(path.c_str(), TRUE);
    return 0;
}

std::wstring GetDesktopFolder() {
    return config::UserDesktopFolder();
}

std::wstring GetProgramsFolder() {
    return config::UserProgramsFolder();
}

std::wstring GetTaskbarPinFolder() {
    const std::wstring appData = config::UserAppDataFolder();
    return appData.empty() ? appData
                           : appData + L"\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar";
}
