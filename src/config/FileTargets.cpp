#include "config/FileTargets.h"

#include "config/ConfigDocument.h"
#include "config/ConfigXml.h"
#include "system/TextConv.h"

using config::ElementIs;
using config::ForEachChildElement;

std::vector<FileElement> ReadFileElements(const TiXmlElement& root) {
    std::vector<FileElement> elements;
    ForEachChildElement(&root, [&](const TiXmlElement* configElement) {
        if (!ElementIs(configElement, "config")) return;
        ForEachChildElement(configElement, [&](const TiXmlElement* files) {
            if (!ElementIs(files, "files")) return;
            ForEachChildElement(files, [&](const TiXmlElement* file) {
                if (!ElementIs(file, "file")) return;
                FileElement element;
                element.path = config::AttrText(file, "path");
                if (const char* newpath = file->Attribute("newpath")) element.newpath = newpath;
                element.row = file->Row();
                elements.push_back(std::move(element));
            });
        });
    });
    return elements;
}

bool ReadFileTargets(const std::wstring& path, std::map<std::wstring, std::wstring>& targets) {
    TiXmlDocument doc;
    config::LoadConfigDocument(path, doc);
    const TiXmlElement* root = doc.Error() ? nullptr : doc.RootElement();
    if (!root) return false;
    for (const FileElement& file : ReadFileElements(*root)) {
        const std::wstring from = sys::Utf8ToWide(file.path);
        targets[from] = file.newpath ? sys::Utf8ToWide(*file.newpath) : from;
    }
    return true;
}
