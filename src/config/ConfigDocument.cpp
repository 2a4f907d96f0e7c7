#include "config/ConfigDocument.h"

#include "config/ConfigFile.h"
#include "config/ConfigReferences.h"

namespace config {

bool ParseConfigBuffer(const std::string& bytes, TiXmlDocument& doc) {
    // TinyXML reads up to the first zero byte; std::string keeps one after the data.
    if (HasConfigReferences(bytes)) {
        const std::string expanded = ExpandConfigReferences(bytes);
        doc.Parse(expanded.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    } else {
        doc.Parse(bytes.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    }
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
