// How the engine reads its items' attributes: as wide text, in the system's language, and the
// paths that follow from them.
#pragma once

#include <string>
#include <string_view>

#include "config/AttrMap.h"
#include "config/ConfigItems.h"

// An attribute's value as a wide string; empty when absent.
std::wstring GetAttr(const AttrMap& attrs, std::string_view name);
// newpath when not empty, else path.
std::wstring GetItemPath(const FileItem& item);
// The 64-bit registration helper below a root: root\Setup\DllRegX64.exe.
std::wstring RegistrationHelper(const std::wstring& root);
// The language-dependent name of an attribute: base + "_" + the system's language code.
std::string LanguageAttrName(std::string_view base);
// path with ".lnk" appended unless it already ends so (exact case).
std::wstring WithLinkSuffix(const std::wstring& path);
