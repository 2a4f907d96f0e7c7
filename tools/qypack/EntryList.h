// The entry lists the packing tool reads: component configuration files (their Files/file
// elements, in document order) or plain lists (one "path" or "path|newpath" per line).
#pragma once

#include <string>
#include <vector>

#include "config/AttrMap.h"

struct EntryListResult {
    bool ok = false;
    std::string error;  // one line, for the user
    std::vector<AttrMap> entries;
};

// Lists are read with the configuration files' size limit (1 byte to 10 MiB).
EntryListResult ReadEntryList(const std::wstring& path);
