// Tells the framework where the skins and pictures of the run's windows come from.
#pragma once

#include <string>

#include "common/run/OpePARAMEx.h"

// The skin archive "PackageManager.zip" in the record's skin folder (the web-install modes, whose
// skin folder Init leaves empty, take the working folder's "Setup" subfolder), read into memory
// once; the optional resource list "res.xml" with it.
void LoadSkin(const OpePARAMEx& record);
// True when the loaded skin holds the file (a window's skin, "install.xml").
bool SkinHolds(const std::wstring& file);
