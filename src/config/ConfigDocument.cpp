#include "config/ConfigDocument.h"

#include "config/ConfigFile.h"
#include "config/ConfigReferences.h"

namespace config {

namespace {

// TinyXML steps over a whole UTF-8 sequence by its lead byte, so a document that ends inside one
// makes it read past the terminating zero. Zero bytes beyond the longest sequence stop it there.
constexpr size_t kZeroPadding = 8;

}  // namespace

bool ParseConfigBuffer(const std::string& bytes, TiXmlDocument& doc) {
    std::string text;
    if (HasConfigReferences(bytes)) {
        text = ExpandConfigReferences(bytes);
    } else {
        text.reserve(bytes.size() + kZeroPadding);
        text = bytes;
    }
    text.append(kZeroPadding, '\0');
    // TinyXML reads up to the first zero byte.
    doc.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    return !doc.Error();
}

bool LoadConfigDocument(const std::wstring& path, TiXmlDocument& doc) {
    std::string bytes;
    switch (ReadConfigFile(path, bytes)) {
        case ConfigFileRead::OpenFailed:
            doc.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
            return false;
        case ConfigFileRead::BadSize:
            doc.SetError(TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
            return false;
        case ConfigFileRead::Ok: break;
    }
    return ParseConfigBuffer(bytes, doc);
}

}  // namespace config
