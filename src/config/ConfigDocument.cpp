#include "config/ConfigDocument.h"

#include "config/ConfigFile.h"
#include "config/ConfigReferences.h"
#include "config/ConfigXml.h"

namespace config {

namespace {

// TinyXML steps over a whole UTF-8 sequence by its lead byte (up to four bytes), so a document
// that ends inside one makes it read past the terminating zero. Zero bytes beyond the longest
// sequence stop it there.
constexpr size_t kZeroPadding = 8;

// Whether a sequence could start in the last three bytes: only then does the text need the
// padding, and so a copy. Other documents are parsed where they are.
bool MayEndInsideSequence(const std::string& text) {
    const size_t start = text.size() > 3 ? text.size() - 3 : 0;
    for (size_t i = start; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0xC0) return true;
    }
    return false;
}

void Parse(const std::string& text, TiXmlDocument& doc) {
    // TinyXML reads up to the first zero byte.
    doc.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
}

}  // namespace

bool ParseConfigBuffer(const std::string& bytes, TiXmlDocument& doc) {
    if (HasConfigReferences(bytes)) {
        std::string expanded = ExpandConfigReferences(bytes);
        expanded.append(kZeroPadding, '\0');
        Parse(expanded, doc);
        return !doc.Error();
    }
    return ParseXmlBuffer(bytes, doc);
}

bool ParseXmlBuffer(const std::string& bytes, TiXmlDocument& doc) {
    if (MayEndInsideSequence(bytes)) {
        std::string padded;
        padded.reserve(bytes.size() + kZeroPadding);
        padded = bytes;
        padded.append(kZeroPadding, '\0');
        Parse(padded, doc);
    } else {
        Parse(bytes, doc);
    }
    return !doc.Error();
}

namespace {

// The file's bytes; a file that cannot be read leaves TinyXML's error for it in doc.
bool ReadDocumentText(const std::wstring& path, std::string& text, TiXmlDocument& doc) {
    text.clear();
    switch (ReadConfigFile(path, text)) {
        case ConfigFileRead::OpenFailed:
            doc.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
            return false;
        case ConfigFileRead::BadSize:
            doc.SetError(TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
            return false;
        case ConfigFileRead::Ok: break;
    }
    return true;
}

// Always padded: the pieces are copies anyway.
bool ParsePadded(std::string text, TiXmlDocument& doc) {
    text.append(kZeroPadding, '\0');
    Parse(text, doc);
    return !doc.Error();
}

}  // namespace

const TiXmlElement* PiecedList(const TiXmlElement* root) {
    const TiXmlElement* config = root ? root->FirstChildElement() : nullptr;
    while (config && !ElementIs(config, "Config")) config = config->NextSiblingElement();
    const TiXmlElement* list = config ? config->FirstChildElement() : nullptr;
    while (list && !ElementIs(list, "Files")) list = list->NextSiblingElement();
    return list;
}

const TiXmlElement* ParseListPiece(const ConfigListPieces& pieces, size_t piece, TiXmlDocument& doc) {
    doc.Clear();
    if (!ParsePadded(pieces.Piece(piece), doc)) return nullptr;
    return PiecedList(doc.RootElement());
}

bool LoadComponentDocument(const std::wstring& path, TiXmlDocument& doc, std::string& text, ConfigListPieces& pieces) {
    if (!ReadDocumentText(path, text, doc)) return false;
    if (HasConfigReferences(text)) text = ExpandConfigReferences(text);
    if (pieces.Cut(text) && ParsePadded(pieces.Skeleton(), doc) && PiecedList(doc.RootElement())) {
        bool whole = true;
        TiXmlDocument piece;
        for (size_t i = 0; whole && i < pieces.PieceCount(); ++i) whole = ParseListPiece(pieces, i, piece) != nullptr;
        if (whole) return true;
    }
    pieces = ConfigListPieces();
    doc.Clear();
    return ParsePadded(text, doc);
}

bool LoadConfigDocument(const std::wstring& path, TiXmlDocument& doc) {
    std::string bytes;
    if (!ReadDocumentText(path, bytes, doc)) return false;
    return ParseConfigBuffer(bytes, doc);
}

}  // namespace config
