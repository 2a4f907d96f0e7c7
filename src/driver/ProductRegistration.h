// The two records of an installed product in the machine registry: "InstallPath" under the
// product key, and the entry in the system's list of installed programs.
#pragma once

#include <cstdint>
#include <string>

class IInstallUIPromptEx;

// "HKLM\Software\QuillyTarn" and the uninstall entry's key, as the registry helpers take them.
std::wstring InstallKeyPath();
std::wstring UninstallKeyPath();

// The command the list of installed programs runs: the package manager in folder with
// " /uninstall"; the path is quoted when it holds a blank, so that the system never tries
// "C:\Program.exe" for "C:\Program Files (x86)\...".
std::wstring UninstallCommand(const std::wstring& folder);

// Writes the seven values of the uninstall entry in order (the size in bytes, as KiB); the first
// failing registry call ends it. 0, or that call's error code. Reports step 14 to prompt.
int CreateUninstallRegInfo(const std::wstring& folder, const std::wstring& version, uint64_t installedSize,
                           IInstallUIPromptEx* prompt);
// "InstallPath" = folder; false when it was not written.
bool WriteInstallReg(const std::wstring& folder);
// "CreatedFolder" = folder: the install made the folder, so the uninstall may remove it whole.
// false when it was not written.
bool RecordCreatedFolder(const std::wstring& folder);
// True when the install recorded that it made this folder; a folder that was there before (or an
// install that recorded nothing) keeps what is not the product's.
bool InstallCreatedFolder(const std::wstring& folder);
// The registered install folder into path when there is one; always 0.
int GetRegInstallPath(std::wstring& path);
// Deletes a key with all its subkeys: 0, or 1 when it could not be opened or not all of it went.
int DeleteRegInfo(const std::wstring& keyPath);
