// Turning a configuration file into a TinyXML document: the whole file (1 byte to 10 MiB) is read
// into one buffer, its references are expanded and TinyXML parses it. Failures leave their text
// in the document's error description, in TinyXML's own words.
#pragma once

#include <string>

#include <tinyxml.h>

#include "config/ConfigListPieces.h"

namespace config {

// True when the document parsed without error. Its root is doc.RootElement() (may be null).
bool LoadConfigDocument(const std::wstring& path, TiXmlDocument& doc);
// The same on the file's bytes (the reader's fuzzer enters here).
bool ParseConfigBuffer(const std::string& bytes, TiXmlDocument& doc);
// A component file: the document, or, when its file list is long, its skeleton in doc and the
// list's pieces (which refer to text). Every piece has parsed without error once; a document
// whose skeleton or a piece does not parse is parsed whole, so its error is the one the whole
// document gives. pieces.ItemCount() is 0 when the document is whole.
bool LoadComponentDocument(const std::wstring& path, TiXmlDocument& doc, std::string& text, ConfigListPieces& pieces);
// Parses one piece (it parsed before) into doc; the list is root / first Config / first Files.
const TiXmlElement* ParseListPiece(const ConfigListPieces& pieces, size_t piece, TiXmlDocument& doc);
// The list a document's pieces stand for: the first Files element of the root's first Config.
const TiXmlElement* PiecedList(const TiXmlElement* root);

// Any UTF-8 XML text without the configuration's references (the skins), parsed safely.
bool ParseXmlBuffer(const std::string& bytes, TiXmlDocument& doc);

}  // namespace config
