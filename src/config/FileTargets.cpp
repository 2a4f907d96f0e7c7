#include "config/FileTargets.h"

#include "config/ConfigDocument.h"
#include "config/ConfigXml.h"
#include "system/TextConv.h"

using config::ElementIs;
using config::ForEachChildElement;

bool ReadFileTargets(const std::wstring& path, std::map<std::wstring, std::wstring>& targets) {
    TiXmlDocument doc;
    config::LoadConfigDocument(path, doc);
    const TiXmlElement* root = doc.Error() ? nullptr : doc.RootElement();
    if (!root) return false;
    ForEachChildElement(root, [&](const TiXmlElement* configElement) {
        if (!ElementIs(configElement, "config")) return;
        ForEachChildElement(configElement, [&](const TiXmlElement* files) {
            if (!ElementIs(files, "files")) return;
            ForEachChildElement(files, [&](const TiXmlElement* file) {
                if (!ElementIs(file, "file")) return;
                const std::wstring from = sys::Utf8ToWide(config::AttrText(file, "path"));
                const char* newpath = file->Attribute("newpath");
                targets[from] = newpath ? sys::Utf8ToWide(newpath) : from;
            });
        });
    });
    return true;
}
