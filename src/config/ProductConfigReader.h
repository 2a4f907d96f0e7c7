// Reading a product file ("Product.config") into a CProductConfig. Several product files may be
// read into one model: later files overwrite the values they carry, component references
// accumulate and the ProductID values are OR-ed.
#pragma once

#include <string>

class CProductConfig;
class IInstallUIPromptEx;

// True when the file loaded and has a root element. The only message (a root without "type")
// goes to sink, when one is given.
bool ParseProductConfig(const std::wstring& path, CProductConfig& target, IInstallUIPromptEx* sink = nullptr);
