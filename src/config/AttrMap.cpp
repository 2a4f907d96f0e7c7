#include "config/AttrMap.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

void AttrMap::Release(Block* block) {
    if (block && block->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        block->~Block();
        ::operator delete(block);
    }
}

void AttrMap::Own(size_t count, size_t textSize) {
    const size_t usedEntries = size();
    const size_t usedText = m_block ? m_block->textSize : 0;
    const bool shared = m_block && m_block->refs.load(std::memory_order_acquire) > 1;
    if (m_block && !shared && usedEntries + count <= m_block->entryCapacity &&
        usedText + textSize <= m_block->textCapacity) {
        return;
    }
    // Grown by half again at least, so attributes added one at a time do not copy every time.
    const size_t grownEntries = m_block ? size_t{m_block->entryCapacity} * 3 / 2 : 0;
    const size_t grownText = m_block ? size_t{m_block->textCapacity} * 3 / 2 : 0;
    const size_t entryCapacity = std::max(usedEntries + count, shared ? 0 : grownEntries);
    const size_t textCapacity = std::max(usedText + textSize, shared ? 0 : grownText);
    void* memory = ::operator new(sizeof(Block) + entryCapacity * sizeof(Entry) + textCapacity);
    Block* block = new (memory) Block{{1}, static_cast<uint32_t>(usedEntries), static_cast<uint32_t>(entryCapacity),
                                      static_cast<uint32_t>(usedText), static_cast<uint32_t>(textCapacity)};
    if (m_block) {
        std::memcpy(block->Entries(), m_block->Entries(), usedEntries * sizeof(Entry));
        std::memcpy(block->Text(), m_block->Text(), usedText);
    }
    Release(m_block);
    m_block = block;
}

void AttrMap::reserve(size_t count, size_t textSize) { Own(count, textSize); }

namespace {

// The attribute names of the configuration files, in byte order: tens of thousands of items
// carry the same few names, kept here once instead of in every map.
constexpr std::string_view kKnownNames[] = {
    "args",       "argv",      "bwaitend",   "cmd",        "compressSize", "compressmd5", "config",
    "executable", "isDisplay", "isEssential", "isInstall", "isUpgrade",    "key",         "link",
    "md5",        "name",      "name_0404",  "name_0409",  "name_0804",    "newpath",     "noDelete",
    "order",      "os",        "path",       "platform",   "runMode",      "servicename", "size",
    "time",       "type",      "value",      "value_0404", "value_0409",   "value_0804",  "version",
    "when",       "workdir",
};

// The known name's number, or -1.
int KnownNumber(std::string_view name) {
    const auto* end = std::end(kKnownNames);
    const auto* found = std::lower_bound(std::begin(kKnownNames), end, name);
    return found != end && *found == name ? static_cast<int>(found - std::begin(kKnownNames)) : -1;
}

}  // namespace

std::string_view AttrMap::KnownName(uint32_t number) { return kKnownNames[number]; }

size_t AttrMap::StoredSize(std::string_view name, std::string_view value) {
    return (KnownNumber(name) >= 0 ? 0 : name.size()) + value.size();
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
    return std::lower_bound(First(), Last(), name,
                            [this](const Entry& entry, std::string_view key) { return NameLess(NameOf(entry), key); });
}

bool AttrMap::Insert(std::string_view name, std::string_view value) {
    IndexIterator it = LowerBound(name);
    if (it != Last() && NameOf(*it) == name) return false;
    const size_t at = static_cast<size_t>(it - First());
    const int known = KnownNumber(name);
    const size_t nameBytes = known >= 0 ? 0 : name.size();
    Own(1, nameBytes + value.size());
    Entry* entries = m_block->Entries();
    std::memmove(entries + at + 1, entries + at, (m_block->count - at) * sizeof(Entry));
    entries[at] = Entry{m_block->textSize, known >= 0 ? kKnownName | static_cast<uint32_t>(known) : static_cast<uint32_t>(name.size()),
                        static_cast<uint32_t>(value.size())};
    char* text = m_block->Text() + m_block->textSize;
    if (nameBytes) std::memcpy(text, name.data(), nameBytes);
    if (!value.empty()) std::memcpy(text + nameBytes, value.data(), value.size());
    m_block->textSize += static_cast<uint32_t>(nameBytes + value.size());
    ++m_block->count;
    return true;
}

void AttrMap::Set(std::string_view name, std::string_view value) {
    IndexIterator found = LowerBound(name);
    if (found == Last() || NameOf(*found) != name) {
        Insert(name, value);
        return;
    }
    // Rare (tests and tools build maps by hand): the map is made again with the new value.
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& pair : *this) pairs.emplace_back(pair.first, pair.first == name ? value : pair.second);
    AttrMap rebuilt;
    for (const auto& pair : pairs) rebuilt.Insert(pair.first, pair.second);
    *this = std::move(rebuilt);
}

bool operator==(const AttrMap& a, const AttrMap& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}
