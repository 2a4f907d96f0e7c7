#include "PackContents.h"

std::wstring EntryKey(std::wstring_view name) {
    std::wstring key(name);
    for (wchar_t& c : key) {
        if (c == L'/') c = L'\\';
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return key;
}

void PackContents::Add(ToolEntry entry) {
    m_byName.emplace(EntryKey(entry.source.name), m_entries.size());
    m_entries.push_back(std::move(entry));
}

const ToolEntry* PackContents::Find(std::wstring_view name) const {
    const auto range = m_byName.equal_range(EntryKey(name));
    size_t first = m_entries.size();
    for (auto it = range.first; it != range.second; ++it) first = std::min(first, it->second);
    return first < m_entries.size() ? &m_entries[first] : nullptr;
}

std::vector<ToolEntry*> PackContents::FindAll(std::wstring_view name) {
    std::vector<ToolEntry*> found;
    const auto range = m_byName.equal_range(EntryKey(name));
    for (auto it = range.first; it != range.second; ++it) found.push_back(&m_entries[it->second]);
    return found;
}

std::vector<PackFileEntry> PackContents::PackEntries() const {
    std::vector<PackFileEntry> entries;
    entries.reserve(m_entries.size());
    for (const ToolEntry& e : m_entries) entries.push_back(e.entry);
    return entries;
}
