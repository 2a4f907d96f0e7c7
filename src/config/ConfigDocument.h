// Turning a configuration file into a TinyXML document: the whole file (1 byte to 10 MiB) is read
// into one buffer, its references are expanded and TinyXML parses it. Failures leave their text
// in the document's error description, in TinyXML's own words.
#pragma once

#include <string>

#include <tinyxml.h>

namespace config {

// True when the document parsed without error. Its root is doc.RootElement() (may be null).
bool LoadConfigDocument(const std::wstring& path, TiXmlDocument& doc);
// The same on the file's bytes (the reader's fuzzer enters here).
bool ParseConfigBuffer(const std::string& bytes, TiXmlDocument& doc);
// Any UTF-8 XML text without the configuration's references (the skins), parsed safely.
bool ParseXmlBuffer(const std::string& bytes, TiXmlDocument& doc);

}  // namespace config
