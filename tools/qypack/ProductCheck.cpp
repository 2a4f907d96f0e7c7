// The documents are read by the installer's own loader and reader (attribute values, phases,
// conditions, element structure); the walk here adds what only the whole product shows: which
// files the packages carry, which files the items refer to, and which records write the same
// target.
#include "ProductCheck.h"

#include <tinyxml.h>

#include <set>
#include <unordered_map>

#include "ToolOutput.h"
#include "config/ConfigDocument.h"
#include "config/ConfigXml.h"
#include "config/OsCondition.h"
#include "config/ProductConfig.h"
#include "system/FileHelpers.h"
#include "system/Profile.h"
#include "system/TextConv.h"
#include "system/TextRules.h"

using config::AttrText;
using config::ElementIs;
using config::ForEachChildElement;

namespace {

const std::wstring kPackageFolder = L"package\\";

std::string Shown(const ToolEntry& entry) {
    return ShownPath(entry.source.sourcePath);
}

class FaultCollector final : public IConfigFaultSink {
public:
    FaultCollector(std::string file, std::vector<ProductFault>& faults)
        : m_file(std::move(file)), m_faults(faults) {}
    void OnConfigFault(int line, const std::string& message) override {
        m_faults.push_back({m_file, line, message});
    }

private:
    std::string m_file;
    std::vector<ProductFault>& m_faults;
};

// A file record, for the checks across components.
struct Record {
    std::string file;
    int line = 0;
    std::string path, newpath, os, platform;
    const std::string& Target() const { return newpath.empty() ? path : newpath; }
};

// An item that names a file the product must install.
struct Reference {
    std::string file;
    int line = 0;
    std::string what;
    std::string value;
};

// Programs of the system are named through a folder macro; everything else is the product's.
bool IsFolderMacroPath(std::string_view value) {
    for (const char* macro : {"$system32", "$windir", "$desktop", "%programfiles%", "%%programfiles%%"}) {
        if (sys::StartsWithNoCase(value, macro)) return true;
    }
    return false;
}

// Names compared as the package compares them.
std::wstring NameKey(const std::string& name) {
    return EntryKey(sys::Utf8ToWide(name));
}

void GatherShortcuts(const TiXmlElement* shortcuts, const std::string& file, std::vector<Reference>& refs,
                     std::vector<ProductFault>& faults) {
    auto add = [&](const TiXmlElement* at, const std::string& link) {
        if (link.empty()) {
            faults.push_back({file, at->Row(), "shortcut without a target (link)"});
        } else {
            refs.push_back({file, at->Row(), "shortcut target", link});
        }
    };
    ForEachChildElement(shortcuts, [&](const TiXmlElement* group) {
        if (ElementIs(group, "startmenu")) {
            const TiXmlElement* folder = group->FirstChildElement();
            if (!folder || !ElementIs(folder, "folder")) return;
            ForEachChildElement(folder, [&](const TiXmlElement* item) { add(item, AttrText(item, "link")); });
        } else if (ElementIs(group, "desktop") || ElementIs(group, "quicklanch")) {
            // One shortcut of all children's attributes; the first link counts.
            const TiXmlElement* at = group;
            std::string link;
            ForEachChildElement(group, [&](const TiXmlElement* item) {
                if (link.empty() && item->Attribute("link")) {
                    link = AttrText(item, "link");
                    at = item;
                }
            });
            add(at, link);
        }
    });
}

void GatherItems(const TiXmlElement* root, const std::string& file, std::vector<Record>& records,
                 std::vector<Reference>& refs, std::vector<ProductFault>& faults) {
    auto named = [&](const TiXmlElement* list, const char* what, const char* attribute) {
        ForEachChildElement(list, [&](const TiXmlElement* item) {
            refs.push_back({file, item->Row(), what, AttrText(item, attribute)});
        });
    };
    ForEachChildElement(root, [&](const TiXmlElement* child) {
        if (ElementIs(child, "Config")) {
            ForEachChildElement(child, [&](const TiXmlElement* list) {
                if (ElementIs(list, "Files")) {
                    ForEachChildElement(list, [&](const TiXmlElement* item) {
                        records.push_back({file, item->Row(), AttrText(item, "path"),
                                           AttrText(item, "newpath"), AttrText(item, "os"),
                                           AttrText(item, "platform")});
                    });
                } else if (ElementIs(list, "RegModules")) {
                    named(list, "module", "path");
                } else if (ElementIs(list, "Drivers")) {
                    named(list, "driver", "path");
                } else if (ElementIs(list, "ShortCut")) {
                    GatherShortcuts(list, file, refs, faults);
                }
            });
        } else if (ElementIs(child, "RunRule")) {
            named(child, "run rule program", "executable");
            ForEachChildElement(child, [&](const TiXmlElement* rule) {
                if (AttrText(rule, "when").empty())
                    faults.push_back({file, rule->Row(), "run rule without a phase (when)"});
            });
        }
    });
}

// Whether some system meets both records' conditions (versions of the installer's table, both
// architectures): only then do two records of one target collide.
bool ConditionsMeet(const Record& a, const Record& b) {
    static const char* const kVersions[] = {"5.0", "5.1", "5.2",  "6.0",  "6.1",
                                            "6.2", "6.3", "10.0", "10.1", "10.2"};
    auto active = [](const Record& r, const char* version, const char* architecture) {
        return (r.os.empty() || MatchOsCondition(r.os, version)) &&
               (r.platform.empty() || sys::EqualsNoCase(r.platform, architecture));
    };
    for (const char* version : kVersions) {
        for (const char* architecture : {"x86", "x64"}) {
            if (active(a, version, architecture) && active(b, version, architecture)) return true;
        }
    }
    return false;
}

void CheckRecords(const std::vector<Record>& records, const PackContents& program,
                  std::vector<ProductFault>& faults) {
    std::unordered_map<std::wstring, std::vector<size_t>> byTarget;
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.path.empty()) {
            faults.push_back({r.file, r.line, "file record without path"});
            continue;
        }
        if (!sys::StaysInside(sys::Utf8ToWide(r.path)) || !sys::StaysInside(sys::Utf8ToWide(r.Target()))) {
            faults.push_back({r.file, r.line, "file '" + r.Target() + "' leaves the installation folder"});
            continue;
        }
        if (!program.Find(sys::Utf8ToWide(r.path))) {
            faults.push_back({r.file, r.line, "file '" + r.path + "' is not in the program package"});
        }
        std::vector<size_t>& same = byTarget[NameKey(r.Target())];
        for (size_t earlier : same) {
            if (ConditionsMeet(records[earlier], r)) {
                faults.push_back({r.file, r.line,
                                  "'" + r.Target() + "' is also the target of the record at " +
                                      records[earlier].file + ":" + std::to_string(records[earlier].line)});
                break;
            }
        }
        same.push_back(i);
    }
}

void CheckReferences(const std::vector<Reference>& refs, const std::vector<Record>& records,
                     std::vector<ProductFault>& faults) {
    std::set<std::wstring> provided;
    for (const Record& r : records) {
        if (!r.path.empty()) provided.insert(NameKey(r.path));
        if (!r.newpath.empty()) provided.insert(NameKey(r.newpath));
    }
    for (const Reference& ref : refs) {
        if (ref.value.empty()) {
            faults.push_back({ref.file, ref.line, ref.what + " without a file"});
        } else if (!IsFolderMacroPath(ref.value) && !provided.count(NameKey(ref.value))) {
            faults.push_back({ref.file, ref.line,
                              ref.what + " '" + ref.value +
                                  "' is not installed by any file record of the product (a program of the "
                                  "system is named with a folder macro, such as $System32\\)"});
        }
    }
}

}  // namespace

ProductLayout FindProduct(const PackContents& setup, std::vector<ProductFault>& faults) {
    ProductLayout layout;
    const ToolEntry* ini = setup.Find(L"_setup.ini");
    if (!ini) {
        faults.push_back({"setup package", 0, "no _setup.ini: the installer cannot find its product"});
        return layout;
    }
    const std::wstring name =
        sys::ReadProfileString(ini->source.sourcePath, L"Product", L"Product", L"Product.config", 260);
    if (name.empty() || !sys::StaysInside(name)) {
        faults.push_back({Shown(*ini), 0, "[Product] Product names no file inside the package folder"});
        return layout;
    }
    layout.productFile = setup.Find(kPackageFolder + name);
    if (!layout.productFile) {
        faults.push_back(
            {Shown(*ini), 0,
             "the product file 'package\\" + sys::WideToUtf8(name) + "' is not in the setup package"});
        return layout;
    }

    const std::string file = Shown(*layout.productFile);
    TiXmlDocument doc;
    if (!config::LoadConfigDocument(layout.productFile->source.sourcePath, doc) || !doc.RootElement()) {
        faults.push_back({file, doc.ErrorRow(), doc.Error() ? doc.ErrorDesc() : "no root element"});
        return layout;
    }
    const TiXmlElement* root = doc.RootElement();
    if (AttrText(root, "type").empty())
        faults.push_back({file, root->Row(), "Attribute Value Is Null [type=\"\"]"});
    std::set<std::wstring> listed;
    std::string setupConfig;
    int setupLine = 0;
    ForEachChildElement(root, [&](const TiXmlElement* child) {
        if (ElementIs(child, "SetupInfo")) {
            setupConfig = AttrText(child, "config");
            setupLine = child->Row();
        }
        if (!ElementIs(child, "productinfo")) return;
        ForEachChildElement(child, [&](const TiXmlElement* group) {
            if (!ElementIs(group, "components")) return;
            ForEachChildElement(group, [&](const TiXmlElement* component) {
                const std::wstring config = sys::Utf8ToWide(AttrText(component, "config"));
                const std::wstring entry = kPackageFolder + config;
                if (config.empty() || !sys::StaysInside(config)) {
                    faults.push_back({file, component->Row(),
                                      "component without a config file inside the package folder"});
                } else if (!setup.Find(entry)) {
                    faults.push_back(
                        {file, component->Row(),
                         "component file '" + sys::WideToUtf8(entry) + "' is not in the setup package"});
                } else if (listed.insert(EntryKey(entry)).second) {
                    layout.componentFiles.push_back(entry);
                }
            });
        });
    });
    if (setupConfig.empty()) {
        faults.push_back(
            {file, setupLine ? setupLine : root->Row(),
             "SetupInfo names no setup component file (config): the installer cannot name its setup files"});
    } else if (!listed.count(EntryKey(kPackageFolder + sys::Utf8ToWide(setupConfig)))) {
        faults.push_back({file, setupLine,
                          "the setup component file '" + setupConfig +
                              "' is not a component of the product: the installer would not install itself"});
    } else {
        layout.setupComponent = kPackageFolder + sys::Utf8ToWide(setupConfig);
    }
    return layout;
}

void CheckProduct(const ProductLayout& layout, const PackContents& program, const PackContents& setup,
                  std::vector<ProductFault>& faults) {
    std::vector<Record> records;
    std::vector<Reference> refs;
    for (const std::wstring& name : layout.componentFiles) {
        const ToolEntry* entry = setup.Find(name);
        if (!entry) continue;
        const std::string file = Shown(*entry);
        TiXmlDocument doc;
        if (!config::LoadConfigDocument(entry->source.sourcePath, doc) || !doc.RootElement()) {
            faults.push_back({file, doc.ErrorRow(), doc.Error() ? doc.ErrorDesc() : "no root element"});
            continue;
        }
        CProductConfig reader;
        FaultCollector sink(file, faults);
        reader.m_FaultSink = &sink;
        CComponentConfig model;
        reader.ParseComponentDocument(doc.RootElement(), entry->source.sourcePath, model);
        GatherItems(doc.RootElement(), file, records, refs, faults);
    }
    CheckRecords(records, program, faults);
    CheckReferences(refs, records, faults);
}
