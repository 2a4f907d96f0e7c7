// Entry lists. An XML component file is recognised by its first non-blank character "<" and is
// loaded and walked by the configuration code, as the installer itself reads it. Everything else
// is a plain list.
#include "EntryList.h"

#include <tinyxml.h>

#include "config/ConfigDocument.h"
#include "config/ConfigFile.h"
#include "config/FileTargets.h"
#include "system/TextConv.h"
#include "system/TextRules.h"

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

EntryListResult ReadXml(const std::string& name, const std::string& bytes) {
    EntryListResult result;
    TiXmlDocument doc;
    config::ParseConfigBuffer(bytes, doc);
    if (doc.Error() || !doc.RootElement()) {
        result.error =
            "'" + name + "' is not a readable component file: " + (doc.Error() ? doc.ErrorDesc() : "no root");
        return result;
    }
    for (const FileElement& file : ReadFileElements(*doc.RootElement())) {
        if (file.path.empty()) {
            result.error = "'" + name + "' line " + std::to_string(file.row) + ": file element without path";
            return result;
        }
        AttrMap attrs;
        attrs.Set("path", file.path);
        if (file.newpath) attrs.Set("newpath", *file.newpath);
        result.entries.push_back(attrs);
    }
    result.ok = true;
    return result;
}

EntryListResult ReadPlain(const std::string& name, std::string_view text) {
    EntryListResult result;
    int row = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = sys::Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++row;
        if (line.empty() || line[0] == '#') continue;
        AttrMap attrs;
        const size_t bar = line.find('|');
        attrs.Set("path", sys::Trim(line.substr(0, bar)));
        if (bar != std::string_view::npos) attrs.Set("newpath", sys::Trim(line.substr(bar + 1)));
        if (AttrValue(attrs, "path").empty()) {
            result.error = "'" + name + "' line " + std::to_string(row) + ": empty path";
            return result;
        }
        result.entries.push_back(attrs);
    }
    result.ok = true;
    return result;
}

}  // namespace

EntryListResult ReadEntryList(const std::wstring& path) {
    const std::string name = sys::WideToUtf8(path);
    std::string bytes;
    switch (config::ReadConfigFile(path, bytes)) {
        case config::ConfigFileRead::OpenFailed: {
            EntryListResult result;
            result.error = "cannot read entry list '" + name + "'";
            return result;
        }
        case config::ConfigFileRead::BadSize: {
            EntryListResult result;
            result.error = "entry list '" + name + "' is empty or larger than " +
                           std::to_string(config::kMaxConfigFileSize / (1024 * 1024)) + " MiB";
            return result;
        }
        case config::ConfigFileRead::Ok: break;
    }
    std::string_view text = bytes;
    if (text.substr(0, 3) == kUtf8Bom) text.remove_prefix(3);
    const std::string_view content = sys::Trim(text);
    return !content.empty() && content[0] == '<' ? ReadXml(name, bytes) : ReadPlain(name, text);
}
