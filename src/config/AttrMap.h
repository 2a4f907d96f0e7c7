// The attributes of one configuration element: name -> value, both UTF-8, keys in byte order.
// A component file near its size limit holds half a million attributes. A tree node and two
// strings for each made the model larger than the document and its reading mostly allocation
// and page faults, so a map keeps its names and values back to back in one text with a small
// index sorted by name: two blocks per element, however many attributes it has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class AttrMap {
    struct Entry {
        uint32_t offset;  // of the name in m_text; the value follows it
        uint32_t nameSize;
        uint32_t valueSize;
    };
    using IndexIterator = std::vector<Entry>::const_iterator;

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
        IndexIterator m_it;
    };
    using iterator = const_iterator;

    bool empty() const { return m_index.empty(); }
    size_t size() const { return m_index.size(); }
    // Room for count more attributes whose names and values take textSize bytes together.
    void reserve(size_t count, size_t textSize);

    const_iterator begin() const { return {this, m_index.begin()}; }
    const_iterator end() const { return {this, m_index.end()}; }
    const_iterator find(std::string_view name) const {
        IndexIterator it = LowerBound(name);
        return {this, it != m_index.end() && NameOf(*it) == name ? it : m_index.end()};
    }

    // Adds name -> value unless the name is present, whose value then stays; true when added.
    bool Insert(std::string_view name, std::string_view value);
    // Adds name -> value or replaces the value the name has.
    void Set(std::string_view name, std::string_view value);

    friend bool operator==(const AttrMap& a, const AttrMap& b);
    friend bool operator!=(const AttrMap& a, const AttrMap& b) { return !(a == b); }

private:
    std::string_view NameOf(const Entry& entry) const {
        return {m_text.data() + entry.offset, entry.nameSize};
    }
    value_type At(const Entry& entry) const {
        return {NameOf(entry), {m_text.data() + entry.offset + entry.nameSize, entry.valueSize}};
    }
    IndexIterator LowerBound(std::string_view name) const;

    std::vector<Entry> m_index;  // sorted by name, names unique
    std::string m_text;
};

// The value of an attribute looked up by its exact name; empty when the attribute is absent.
inline std::string_view AttrValue(const AttrMap& attrs, std::string_view name) {
    auto it = attrs.find(name);
    return it == attrs.end() ? std::string_view() : it->second;
}

inline bool HasAttr(const AttrMap& attrs, std::string_view name) {
    return attrs.find(name) != attrs.end();
}
