// The entries of one package as the tool is going to write them, found by name the way the
// installer finds its files (without regard to case, "/" and "\" alike).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "interface/Maker/PackageBuilder.h"

struct ToolEntry {
    PackFileEntry entry;  // as the list gave it; content is set when the tool rewrote it
    EntrySource source;   // its name in the package and the file it is read from
    std::string list;     // the list that named it
};

class PackContents {
public:
    void Add(ToolEntry entry);
    // The first entry of that name, or null.
    const ToolEntry* Find(std::wstring_view name) const;
    // Every entry of that name, for giving them new content.
    std::vector<ToolEntry*> FindAll(std::wstring_view name);
    const std::vector<ToolEntry>& Entries() const { return m_entries; }
    std::vector<PackFileEntry> PackEntries() const;

private:
    std::vector<ToolEntry> m_entries;
    std::unordered_multimap<std::wstring, size_t> m_byName;
};

// The key names are compared by.
std::wstring EntryKey(std::wstring_view name);
