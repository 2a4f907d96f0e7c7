// Registry locations of the installed product, shared by the writer and the readers.
#pragma once

namespace product_keys {

// Under HKEY_LOCAL_MACHINE, in the registry view of the running process for both read and write.
constexpr const wchar_t* kInstallKey = L"Software\\QuillyTarn";
constexpr const wchar_t* kInstallPathValue = L"InstallPath";
// The install folder, when the install made it.
constexpr const wchar_t* kCreatedFolderValue = L"CreatedFolder";
constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quilly";

}  // namespace product_keys
