// The mode record: what the command line asked for, filled in further by the driver's Init; and
// what a mode means for the rest of the run (which procedure, silent or not, where its skin is).
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

// The procedure (and window) a mode runs. The update mode has none of its own.
enum class ModeProcedure { kNone, kInstall, kUninstall, kWebInstall };

constexpr ModeProcedure ProcedureOf(int mode) {
    switch (mode) {
        case OpePARAMEx::CMD_INSTALL:
        case OpePARAMEx::CMD_SILENT:
            return ModeProcedure::kInstall;
        case OpePARAMEx::CMD_UNINSTALL:
        case OpePARAMEx::CMD_UNSILENT:
            return ModeProcedure::kUninstall;
        case OpePARAMEx::CMD_WEBINSTALL:
        case OpePARAMEx::CMD_WEBSILENT:
            return ModeProcedure::kWebInstall;
        default:
            return ModeProcedure::kNone;
    }
}

// The modes nobody watches: their windows start the procedure themselves and never ask.
constexpr bool IsSilentMode(int mode) {
    return mode == OpePARAMEx::CMD_SILENT || mode == OpePARAMEx::CMD_UNSILENT ||
           mode == OpePARAMEx::CMD_WEBSILENT;
}

// The folder a mode's skin archive comes from: the extracted setup package's for the install and
// web modes, the installation's for the uninstall modes; empty for the others.
inline std::wstring ModeSkinFolder(const OpePARAMEx& record) {
    switch (ProcedureOf(record.m_Mode)) {
        case ModeProcedure::kInstall:
        case ModeProcedure::kWebInstall:
            return record.m_TempDir + L"\\Setup";
        case ModeProcedure::kUninstall:
            return record.m_InstallPath + L"\\Setup";
        default:
            return std::wstring();
    }
}
