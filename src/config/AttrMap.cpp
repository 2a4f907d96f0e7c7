#include "config/AttrMap.h"

#include <algorithm>

void AttrMap::reserve(size_t count, size_t textSize) {
    m_index.reserve(m_index.size() + count);
    m_text.reserve(m_text.size() + textSize);
}

namespace {

// Byte order. Names mostly differ in their first byte, which spares the call to memcmp.
bool NameLess(std::string_view a, std::string_view b) {
    if (!a.empty() && !b.empty() && a[0] != b[0]) {
        return static_cast<unsigned char>(a[0]) < static_cast<unsigned char>(b[0]);
    }
    return a < b;
}

}  // namespace

AttrMap::IndexIterator AttrMap::LowerBound(std::string_view name) const {
    return std::lower_bound(
        m_index.begin(), m_index.end(), name,
        [this](const Entry& entry, std::string_view key) { return NameLess(NameOf(entry), key); });
}

bool AttrMap::Insert(std::string_view name, std::string_view value) {
    IndexIterator it = LowerBound(name);
    if (it != m_index.end() && NameOf(*it) == name) return false;
    Entry entry{static_cast<uint32_t>(m_text.size()), static_cast<uint32_t>(name.size()),
                static_cast<uint32_t>(value.size())};
    m_text.append(name).append(value);
    m_index.insert(it, entry);
    return true;
}

void AttrMap::Set(std::string_view name, std::string_view value) {
    IndexIterator found = LowerBound(name);
    if (found == m_index.end() || NameOf(*found) != name) {
        Insert(name, value);
        return;
    }
    // Rare (tests and tools build maps by hand): the value is replaced in place and the entries
    // stored after it move by the difference.
    Entry& entry = m_index[static_cast<size_t>(found - m_index.begin())];
    const uint32_t valueOffset = entry.offset + entry.nameSize;
    m_text.replace(valueOffset, entry.valueSize, value);
    const uint32_t oldSize = entry.valueSize;
    entry.valueSize = static_cast<uint32_t>(value.size());
    for (Entry& other : m_index) {
        if (other.offset > entry.offset) other.offset = other.offset - oldSize + entry.valueSize;
    }
}

bool operator==(const AttrMap& a, const AttrMap& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
