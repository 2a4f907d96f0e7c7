// The packages of a product folder as "qypack init" writes it: "_setup.ini", "package\" with the
// product and component files, "Setup\" with the installer's own files. The setup package holds
// all of them; the program package the files the components list (read from the base folder)
// and again the folder's package and setup files, which the install places.
#pragma once

#include <string>

#include "PackContents.h"

bool CollectProductFolder(const std::wstring& folder, const std::wstring& base, PackContents& program,
                          PackContents& setup, std::string& error);
