// Where skin files and pictures come from: a folder, a ZIP archive (read from a file once, or
// given in memory), or the program's own resources; and the optional resource list that maps
// names to other places. Process-wide, used from the UI thread. Portable; the Win32 layer plugs in
// the executable-resource reader.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace DuiLib {

enum UILIB_RESOURCETYPE {
    UILIB_FILE = 1,         // plain files in the resource folder
    UILIB_ZIP = 2,          // a ZIP archive file in the resource folder
    UILIB_RESOURCE = 3,     // resources of the program
    UILIB_ZIPRESOURCE = 4,  // a ZIP archive held in memory (from a program resource)
};

class CSkinResources {
public:
    static CSkinResources& Instance();

    void SetResourceType(int kind) { m_kind = kind; }
    int GetResourceType() const { return m_kind; }
    // A missing trailing "\" or "/" is added to a non-empty folder.
    void SetResourcePath(const std::wstring& folder);
    const std::wstring& GetResourcePath() const { return m_folder; }
    // Reads the archive (a name in the resource folder) into memory and closes the file again, so
    // the folder can be removed while the windows are open. False when it cannot be read.
    bool SetResourceZip(const std::wstring& archiveName, const std::string& password = std::string());
    // An archive already in memory (copied).
    bool SetResourceZip(const void* data, size_t size);
    bool HasZip() const { return !m_zip.empty(); }

    // Loads the resource list from the current source; false when there is none or it is not a
    // valid list. The entries of a list are <File name="..." path="..." type="..."/> elements.
    bool LoadResourceList(const std::wstring& name);
    bool LoadResourceListText(const std::string& document);

    // The bytes of a skin file or picture from the current source.
    bool ReadFile(const std::wstring& name, std::string& bytes) const;

    // Reads a named resource of a type from the program (kind 3); set by the Win32 layer.
    using ProgramResourceReader =
        std::function<bool(const std::wstring& name, const std::wstring& type, std::string&)>;
    void SetProgramResourceReader(ProgramResourceReader reader) { m_programReader = std::move(reader); }
    bool ReadProgramResource(const std::wstring& name, const std::wstring& type, std::string& bytes) const;

    // Back to the state of a new process (tests).
    void Reset();

private:
    struct Entry {
        std::wstring path;
        std::wstring type;
    };
    bool ReadFromZip(const std::wstring& name, std::string& bytes) const;
    bool ReadFromFolder(const std::wstring& name, std::string& bytes) const;

    int m_kind = UILIB_FILE;
    std::wstring m_folder;
    std::vector<uint8_t> m_zip;
    std::map<std::wstring, Entry> m_list;  // names in lower case
    ProgramResourceReader m_programReader;
};

}  // namespace DuiLib
