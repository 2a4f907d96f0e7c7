// Entry lists. An XML component file is recognised by its first non-blank character "<"; its
// file elements are taken from root/config/files (names compared without regard to case), as the
// installer itself reads them. Everything else is a plain list.
#include "EntryList.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace {

bool SameNoCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    }
    return *a == *b;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

EntryListResult ReadXml(const std::string& path, const std::string& text) {
    EntryListResult result;
    TiXmlDocument doc;
    doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (doc.Error() || !doc.RootElement()) {
        result.error = "'" + path + "' is not a readable component file: " + (doc.Error() ? doc.ErrorDesc() : "no root");
        return result;
    }
    for (const TiXmlElement* config = doc.RootElement()->FirstChildElement(); config;
         config = config->NextSiblingElement()) {
        if (!SameNoCase(config->Value(), "config")) continue;
        for (const TiXmlElement* files = config->FirstChildElement(); files; files = files->NextSiblingElement()) {
            if (!SameNoCase(files->Value(), "files")) continue;
            for (const TiXmlElement* file = files->FirstChildElement(); file; file = file->NextSiblingElement()) {
                if (!SameNoCase(file->Value(), "file")) continue;
                AttrMap attrs;
                if (const char* p = file->Attribute("path")) attrs.Set("path", p);
                if (const char* n = file->Attribute("newpath")) attrs.Set("newpath", n);
                if (AttrValue(attrs, "path").empty()) {
                    result.error = "'" + path + "' line " + std::to_string(file->Row()) + ": file element without path";
                    return result;
                }
                result.entries.push_back(attrs);
            }
        }
    }
    result.ok = true;
    return result;
}

EntryListResult ReadPlain(const std::string& path, const std::string& text) {
    EntryListResult result;
    size_t start = 0;
    int row = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        ++row;
        if (line.empty() || line[0] == '#') continue;
        AttrMap attrs;
        size_t bar = line.find('|');
        attrs.Set("path", Trim(line.substr(0, bar)));
        if (bar != std::string::npos) attrs.Set("newpath", Trim(line.substr(bar + 1)));
        if (AttrValue(attrs, "path").empty()) {
            result.error = "'" + path + "' line " + std::to_string(row) + ": empty path";
            return result;
        }
        result.entries.push_back(attrs);
    }
    result.ok = true;
    return result;
}

}  // namespace

EntryListResult ReadEntryList(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        EntryListResult result;
        result.error = "cannot read entry list '" + path + "'";
        return result;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string::npos && text[first] == '<' ? ReadXml(path, text) : ReadPlain(path, text);
}
