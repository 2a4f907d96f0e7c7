// References inside configuration text, expanded before the XML parser decodes the document:
//   &!reg:subkey,value;   a string value below HKEY_LOCAL_MACHINE
//   &!env:name;           an environment variable
//   &!sh:name;            nothing (no named values are defined)
// Only attribute values and element text are expanded; comments, CDATA sections, declarations
// and markup are left alone, and "&amp;!" stays the literal text "&!". A reference never reaches
// past the end of the value it stands in. The expansion is escaped so that the parser yields it
// exactly as read.
#pragma once

#include <cstddef>
#include <string>

namespace config {

bool HasConfigReferences(const std::string& xml);
std::string ExpandConfigReferences(const std::string& xml);

}  // namespace config
