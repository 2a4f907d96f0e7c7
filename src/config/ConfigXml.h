// Walking TinyXML elements the way the configuration files are defined: element names compared
// without regard to case, attribute names exactly, a missing attribute read as empty text.
#pragma once

#include <string>

#include <tinyxml.h>

#include "config/ConfigText.h"

namespace config {

inline bool ElementIs(const TiXmlElement* element, const char* name) {
    return EqualsNoCase(element->ValueStr(), name);
}

inline std::string AttrText(const TiXmlElement* element, const char* name) {
    const char* value = element->Attribute(name);
    return value ? value : "";
}

// Calls fn for every child element (comments and text are not elements).
template <typename Fn>
void ForEachChildElement(const TiXmlElement* parent, Fn fn) {
    for (const TiXmlElement* child = parent->FirstChildElement(); child; child = child->NextSiblingElement()) fn(child);
}

}  // namespace config
