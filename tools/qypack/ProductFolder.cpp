#include "ProductFolder.h"

#include <vector>

#include "EntryList.h"
#include "FolderFiles.h"
#include "ProductCheck.h"
#include "interface/Maker/PackageFormat.h"
#include "system/FileHelpers.h"
#include "system/TextConv.h"
#include "system/TextRules.h"

namespace {

ToolEntry FolderEntry(const std::wstring& folder, const std::wstring& name) {
    ToolEntry entry;
    entry.entry.path = sys::WideToUtf8(name);
    entry.entry.from = JoinPath(folder, name);
    entry.source = ResolveEntry(entry.entry, L"");
    entry.list = sys::WideToUtf8(folder);
    return entry;
}

}  // namespace

bool CollectProductFolder(const std::wstring& folder, const std::wstring& base, PackContents& program,
                          PackContents& setup, std::string& error) {
    std::vector<std::wstring> own;
    for (const wchar_t* part : {L"package", L"Setup"}) {
        std::vector<std::wstring> files;
        if (!ListFolderFiles(JoinPath(folder, part), files)) {
            error = "'" + sys::WideToUtf8(JoinPath(folder, part)) +
                    "' is not a readable folder (see qypack init)";
            return false;
        }
        for (const std::wstring& file : files) own.push_back(std::wstring(part) + L"\\" + file);
    }
    setup.Add(FolderEntry(folder, L"_setup.ini"));
    for (const std::wstring& name : own) setup.Add(FolderEntry(folder, name));

    // The components' files; the setup component's are the folder's own.
    std::vector<ProductFault> ignored;  // the check names them
    const ProductLayout layout = FindProduct(setup, ignored);
    for (const std::wstring& component : layout.componentFiles) {
        if (sys::EqualsNoCase(component, layout.setupComponent)) continue;
        const EntryListResult list = ReadEntryList(JoinPath(folder, component));
        if (!list.ok) continue;
        for (const AttrMap& attrs : list.entries) {
            ToolEntry entry;
            entry.entry.path = std::string(AttrValue(attrs, "path"));
            entry.source = ResolveEntry(entry.entry, base);
            entry.list = sys::WideToUtf8(JoinPath(folder, component));
            // A file that is not there is left for the check to name with its record's line.
            if (!pkg::IsSafeItemName(entry.source.name) || !sys::OpenFile(entry.source.sourcePath, "rb"))
                continue;
            program.Add(std::move(entry));
        }
    }
    for (const std::wstring& name : own) program.Add(FolderEntry(folder, name));
    return true;
}
