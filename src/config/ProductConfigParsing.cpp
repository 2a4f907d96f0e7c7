// CProductConfig reading its component files: items into the six lists, every attribute validated, messages to
// the product's error sink. A message never stops the reading; it turns the result false and the
// caller drops the component.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "config/ConfigDocument.h"
#include "config/ConfigXml.h"
#include "config/ProductConfig.h"
#include "system/TextConv.h"
#include "common/run/IInstallUIPromptEx.h"

using config::ElementIs;
using config::ForEachChildElement;

namespace {

// Lines "<label> <required> is null\r\n" for the items that lack the required attribute.
template <typename Item>
std::string MissingAttributeLines(const std::vector<Item>& items, const char* required, const char* label) {
    std::string lines;
    for (const Item& item : items) {
        if (AttrValue(item.attrs, required).empty()) {
            lines += AttrValue(item.attrs, label);
            lines += ' ';
            lines += required;
            lines += " is null\r\n";
        }
    }
    return lines;
}

}  // namespace

void CProductConfig::ReportConfigError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string message;
    if (length > 0) {
        message.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&message[0], message.size(), format, args);
        message.resize(static_cast<size_t>(length));
    }
    va_end(args);
    if (m_ErrorSink) m_ErrorSink->OnConfigError(message);
    if (m_FaultSink) m_FaultSink->OnConfigFault(m_ReportLine, message);
}

// Messages composed of a path and other text go out as they are: a "%" in a path is not a format.
void CProductConfig::ReportComposed(const std::string& message) {
    if (m_ErrorSink) m_ErrorSink->OnConfigError(message);
}

bool CProductConfig::ParseAttributes(const TiXmlElement* element, const CComponentConfig& owner, AttrMap& target,
                                     bool isRoot) {
    // The map gets its blocks at their final size before the first insert.
    size_t count = 0, textSize = 0;
    for (const TiXmlAttribute* attr = element->FirstAttribute(); attr; attr = attr->Next()) {
        ++count;
        textSize += AttrMap::StoredSize(attr->NameTStr(), attr->ValueStr());
    }
    target.reserve(count, textSize);

    bool ok = true;
    m_ReportLine = element->Row();
    for (const TiXmlAttribute* attr = element->FirstAttribute(); attr; attr = attr->Next()) {
        const std::string& name = attr->NameTStr();
        const std::string& value = attr->ValueStr();
        if (value.empty()) {
            ReportConfigError("Attribute Value Is Null [%s=\"%s\"]", name.c_str(), value.c_str());
            ok = false;
        }
        if (!owner.IsValidAttributeValue(name, value, isRoot)) {
            ReportConfigError("Invalid Attribute Value [%s=\"%s\"]", name.c_str(), value.c_str());
            ok = false;
        }
        if (!target.Insert(name, value)) {
            ReportConfigError("Insert Failed Attribute Value [%s=\"%s\"]", name.c_str(), value.c_str());
            ok = false;
        }
    }
    return ok;
}

namespace {

// Reads every child element of a list element as one item of the list.
template <typename Item>
bool ReadItems(CProductConfig& product, const TiXmlElement* list, const CComponentConfig& owner,
               std::vector<Item>& items) {
    bool ok = true;
    // A file list runs to tens of thousands of items: no regrowth on the way.
    size_t count = 0;
    ForEachChildElement(list, [&](const TiXmlElement*) { ++count; });
    items.reserve(items.size() + count);
    ForEachChildElement(list, [&](const TiXmlElement* element) {
        Item item;
        if (!product.ParseAttributes(element, owner, item.attrs, false)) ok = false;
        ComputeItemHashes(item);
        items.push_back(std::move(item));
    });
    return ok;
}

}  // namespace

bool CProductConfig::ParseComponentConfig(const std::wstring& path, CComponentConfig& target) {
    TiXmlDocument doc;
    std::string text;
    config::ConfigListPieces pieces;
    config::LoadComponentDocument(path, doc, text, pieces);
    const TiXmlElement* root = doc.Error() ? nullptr : doc.RootElement();
    if (!root) {
        ReportComposed(std::string(doc.ErrorDesc()) + sys::WideToUtf8(path));
        return false;
    }
    return ParseComponentDocument(root, path, target, pieces.ItemCount() ? &pieces : nullptr);
}

bool CProductConfig::ParseComponentDocument(const TiXmlElement* root, const std::wstring& path,
                                            CComponentConfig& target, const config::ConfigListPieces* pieces) {
    bool ok = ParseAttributes(root, target, target.m_RootAttrs, true);
    // The file list whose children come in pieces (its element in root has none).
    const TiXmlElement* piecedList = pieces ? config::PiecedList(root) : nullptr;

    auto checkRequired = [&](const std::string& lines) {
        if (lines.empty()) return;
        ReportComposed(lines + sys::WideToUtf8(path));
        ok = false;
    };

    ForEachChildElement(root, [&](const TiXmlElement* child) {
        if (ElementIs(child, "Config")) {
            ForEachChildElement(child, [&](const TiXmlElement* list) {
                if (list == piecedList) {
                    target.m_Files.reserve(target.m_Files.size() + pieces->ItemCount());
                    TiXmlDocument piece;
                    for (size_t i = 0; i < pieces->PieceCount(); ++i) {
                        const TiXmlElement* part = config::ParseListPiece(*pieces, i, piece);
                        if (!part || !ReadItems(*this, part, target, target.m_Files)) ok = false;
                    }
                } else if (ElementIs(list, "Files")) {
                    if (!ReadItems(*this, list, target, target.m_Files)) ok = false;
                } else if (ElementIs(list, "RegModules")) {
                    if (!ReadItems(*this, list, target, target.m_Modules)) ok = false;
                    checkRequired(MissingAttributeLines(target.m_Modules, "path", "order"));
                } else if (ElementIs(list, "RegUpdate")) {
                    if (!ReadItems(*this, list, target, target.m_Regs)) ok = false;
                } else if (ElementIs(list, "ShortCut")) {
                    if (!ReadShortcuts(list, target)) ok = false;
                } else if (ElementIs(list, "Drivers")) {
                    if (!ReadItems(*this, list, target, target.m_Drivers)) ok = false;
                    checkRequired(MissingAttributeLines(target.m_Drivers, "path", "order"));
                }
            });
        } else if (ElementIs(child, "RunRule")) {
            if (!ReadItems(*this, child, target, target.m_RunRules)) ok = false;
            checkRequired(MissingAttributeLines(target.m_RunRules, "executable", "order"));
            checkRequired(MissingAttributeLines(target.m_RunRules, "executable", "when"));
        } else {
            m_ReportLine = child->Row();
            ReportConfigError("Not Support Ele [%s]", child->Value());
            ok = false;
        }
    });

    m_FileCount += static_cast<int32_t>(target.m_Files.size());
    return ok;
}

bool CProductConfig::ReadShortcuts(const TiXmlElement* shortcuts, CComponentConfig& target) {
    bool ok = true;
    ForEachChildElement(shortcuts, [&](const TiXmlElement* group) {
        if (ElementIs(group, "startmenu")) {
            // Only a Folder as the first child counts; its children are the shortcuts.
            const TiXmlElement* folder = group->FirstChildElement();
            if (!folder || !ElementIs(folder, "folder")) return;
            ForEachChildElement(folder, [&](const TiXmlElement* element) {
                ShortcutItem item;
                item.kind = SK_STARTMENU;
                if (!ParseAttributes(folder, target, item.folderAttrs, false)) ok = false;
                if (item.folderAttrs.empty()) {
                    m_ReportLine = folder->Row();
                    ReportConfigError("Folder Name Must Have Value [%s]", folder->Value());
                    ok = false;
                }
                if (!ParseAttributes(element, target, item.itemAttrs, false)) ok = false;
                ComputeItemHashes(item);
                target.m_Shortcuts.push_back(std::move(item));
            });
        } else if (ElementIs(group, "desktop") || ElementIs(group, "quicklanch")) {
            // One shortcut made of the attributes of all children; the first of a name wins.
            ShortcutItem item;
            item.kind = ElementIs(group, "desktop") ? SK_DESKTOP : SK_QUICKLAUNCH;
            ForEachChildElement(group, [&](const TiXmlElement* element) {
                if (!ParseAttributes(element, target, item.itemAttrs, false)) ok = false;
            });
            ComputeItemHashes(item);
            target.m_Shortcuts.push_back(std::move(item));
        }
    });
    return ok;
}

int CProductConfig::LoadComponentConfigs(const std::wstring& list) {
    m_ComponentConfigs.clear();
    std::wstring remaining = list;
    for (;;) {
        // The list ends every name with a comma; a missing comma ends the list after this name.
        size_t comma = remaining.find(L',');
        const bool hadComma = comma != std::wstring::npos;
        std::wstring piece;
        if (hadComma) {
            piece = remaining.substr(0, comma);
            remaining.erase(0, comma + 1);
        }
        if (piece.empty()) piece = remaining;
        if (piece.empty()) return 0;

        ++m_ConfigCount;
        auto model = std::make_unique<CComponentConfig>();
        model->m_FileName = piece;
        const std::wstring path = m_InstallRoot + L"package\\" + piece;
        std::printf("Parse %s\n", sys::WideToUtf8(path).c_str());
        if (!ParseComponentConfig(path, *model)) {
            std::printf("Error.\n");
            return -1;
        }
        m_ComponentConfigs.push_back(std::move(model));
        if (!hadComma) return 0;
    }
}
