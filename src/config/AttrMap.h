// The attributes of one configuration element: name -> value, both UTF-8, keys in byte order.
// A component file near its size limit holds half a million attributes. A tree node and two
// strings for each made the model larger than the document and its reading mostly allocation
// and page faults, so a map keeps its names and values back to back in one text with a small
// index sorted by name, both in one block per element, however many attributes it has. Copies
// share the block until one of them changes: the difference check's sets hold the items of the
// products without a second copy of their text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <atomic>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class AttrMap {
    struct Entry {
        uint32_t offset;  // of the name in the text, the value following it; of the value alone
                          // when the name is a known one
        uint32_t nameSize;  // or kKnownName and the known name's number
        uint32_t valueSize;
    };
    static constexpr uint32_t kKnownName = 0x80000000u;
    using IndexIterator = const Entry*;
    // One allocation: this header, the index sorted by name (names unique), then the text.
    struct Block {
        std::atomic<uint32_t> refs;
        uint32_t count;
        uint32_t entryCapacity;
        uint32_t textSize;
        uint32_t textCapacity;
        Entry* Entries() { return reinterpret_cast<Entry*>(this + 1); }
        const Entry* Entries() const { return reinterpret_cast<const Entry*>(this + 1); }
        char* Text() { return reinterpret_cast<char*>(Entries() + entryCapacity); }
        const char* Text() const { return reinterpret_cast<const char*>(Entries() + entryCapacity); }
    };

public:
    using value_type = std::pair<std::string_view, std::string_view>;  // name, value

    // Visits the attributes in key order; the views stay valid until the map changes.
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = AttrMap::value_type;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = value_type;

        struct Arrow {
            value_type pair;
            const value_type* operator->() const { return &pair; }
        };

        const_iterator() = default;
        value_type operator*() const { return m_map->At(*m_it); }
        Arrow operator->() const { return {**this}; }
        const_iterator& operator++() {
            ++m_it;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator old = *this;
            ++m_it;
            return old;
        }
        bool operator==(const const_iterator& other) const { return m_it == other.m_it; }
        bool operator!=(const const_iterator& other) const { return m_it != other.m_it; }

    private:
        friend class AttrMap;
        const_iterator(const AttrMap* map, IndexIterator it) : m_map(map), m_it(it) {}
        const AttrMap* m_map = nullptr;
        IndexIterator m_it = nullptr;
    };
    using iterator = const_iterator;

    AttrMap() = default;
    AttrMap(const AttrMap& other) : m_block(other.m_block) {
        if (m_block) m_block->refs.fetch_add(1, std::memory_order_relaxed);
    }
    AttrMap(AttrMap&& other) noexcept : m_block(other.m_block) { other.m_block = nullptr; }
    AttrMap& operator=(AttrMap other) noexcept {
        std::swap(m_block, other.m_block);
        return *this;
    }
    ~AttrMap() { Release(m_block); }

    bool empty() const { return size() == 0; }
    size_t size() const { return m_block ? m_block->count : 0; }
    // Room for count more attributes whose names and values take textSize bytes together (as
    // StoredSize counts them).
    void reserve(size_t count, size_t textSize);
    // The bytes an attribute takes in the text: its value, and its name unless the name is one of
    // the configuration's own (those are kept once for all maps).
    static size_t StoredSize(std::string_view name, std::string_view value);

    const_iterator begin() const { return {this, First()}; }
    const_iterator end() const { return {this, Last()}; }
    const_iterator find(std::string_view name) const {
        IndexIterator it = LowerBound(name);
        return {this, it != Last() && NameOf(*it) == name ? it : Last()};
    }

    // Adds name -> value unless the name is present, whose value then stays; true when added.
    bool Insert(std::string_view name, std::string_view value);
    // Adds name -> value or replaces the value the name has.
    void Set(std::string_view name, std::string_view value);

    friend bool operator==(const AttrMap& a, const AttrMap& b);
    friend bool operator!=(const AttrMap& a, const AttrMap& b) { return !(a == b); }

private:
    IndexIterator First() const { return m_block ? m_block->Entries() : nullptr; }
    IndexIterator Last() const { return m_block ? m_block->Entries() + m_block->count : nullptr; }
    static std::string_view KnownName(uint32_t number);
    std::string_view NameOf(const Entry& entry) const {
        if (entry.nameSize & kKnownName) return KnownName(entry.nameSize & ~kKnownName);
        return {m_block->Text() + entry.offset, entry.nameSize};
    }
    value_type At(const Entry& entry) const {
        const uint32_t nameBytes = entry.nameSize & kKnownName ? 0 : entry.nameSize;
        return {NameOf(entry), {m_block->Text() + entry.offset + nameBytes, entry.valueSize}};
    }
    IndexIterator LowerBound(std::string_view name) const;
    // Makes the block this map's own, with room for count more entries and textSize more bytes.
    void Own(size_t count, size_t textSize);
    static void Release(Block* block);

    Block* m_block = nullptr;  // null: no attributes
};

// The value of an attribute looked up by its exact name; empty when the attribute is absent.
inline std::string_view AttrValue(const AttrMap& attrs, std::string_view name) {
    auto it = attrs.find(name);
    return it == attrs.end() ? std::string_view() : it->second;
}

inline bool HasAttr(const AttrMap& attrs, std::string_view name) {
    return attrs.find(name) != attrs.end();
}
