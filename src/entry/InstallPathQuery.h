// The install folder that a finished installation recorded in the registry.
#pragma once

#include <string>

// 1 and the folder (one trailing "\" or "/" removed) when a non-empty value is registered, else 0.
int QueryInstallPath(std::wstring& folder);
