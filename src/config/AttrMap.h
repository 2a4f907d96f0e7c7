// The attributes of one configuration element: name -> value, both UTF-8, keys in byte order.
#pragma once

#include <map>
#include <string>

using AttrMap = std::map<std::string, std::string>;

// The value of an attribute looked up by its exact name; empty when the attribute is absent.
inline const std::string& AttrValue(const AttrMap& attrs, const std::string& name) {
    static const std::string kEmpty;
    auto it = attrs.find(name);
    return it == attrs.end() ? kEmpty : it->second;
}

inline bool HasAttr(const AttrMap& attrs, const std::string& name) { return attrs.find(name) != attrs.end(); }
