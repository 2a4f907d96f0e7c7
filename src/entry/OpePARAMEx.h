// The mode record: what the command line asked for, filled in further by the driver's Init.
#pragma once

#include <string>

struct OpePARAMEx {
    enum Mode : int {
        CMD_INSTALL = 0,
        CMD_UNINSTALL = 1,
        CMD_UPDATE = 2,
        CMD_SILENT = 3,
        CMD_UNSILENT = 4,
        CMD_WEBINSTALL = 5,
        CMD_WEBSILENT = 6,
        CMD_NONE = 100,
    };

    int m_Mode = CMD_NONE;
    std::wstring m_InstallPath = kDefaultInstallPath;
    std::wstring m_TempDir;
    std::wstring m_SkinDir;
    std::wstring m_CommitInfo;  // uninstall survey answer (JSON)
    unsigned char m_Async = 1;
    unsigned char m_RegFlag = 0;
    unsigned char m_DesktopShortcut = 1;
    unsigned char m_AllowRestart = 1;
    // The command line asked for a silent mode (silent, unsilent, websilent): nobody is there to
    // answer a box or press a button, also after Init has turned the run into a web install.
    bool m_Unattended = false;

    static constexpr const wchar_t* kDefaultInstallPath = L"C:\\Program Files (x86)\\Morvane\\Tarnhold";
};
