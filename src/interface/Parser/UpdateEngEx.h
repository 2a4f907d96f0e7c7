// The install engine: holds the installed and the new product and the two work sets of the
// difference check, and applies the sets to the machine in the steps the driver calls in a fixed
// order (files, registrations, registry values, shortcuts).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "interface/Parser/CheckDiff.h"
#include "interface/Parser/Program.h"

struct OpePARAMEx;

// Gives the copy an add-set file straight from the package, so that it is written once, in its
// place, rather than staged and moved.
class IFileSupply {
public:
    static constexpr int kNotSupplied = 1;  // the file comes from the staging folder
    static constexpr int kExists = 2;       // something is at the path: nothing was written
    // Makes path new and writes the add set's file (by index) into it, with its record's time.
    // Asked in add-set order; a file may be asked again for another path. 0, kNotSupplied,
    // kExists, or a failure (negative).
    virtual int WriteFile(size_t file, const std::wstring& path) = 0;

protected:
    ~IFileSupply() = default;
};

class CUpdateEngEx : public CCheckDiff, public CProgram {
public:
    explicit CUpdateEngEx(const sys::IFileProbe* disk = nullptr);
    ~CUpdateEngEx() override;

    // The delete set's files go from the old root, then the add set's are copied. Always 0;
    // AddProductFile's result is kept in m_AddResult.
    virtual int UpdateFiles();

    using CCheckDiff::CheckProductDifference;
    // The check on the engine's own sets, resolved against the folder of the product being
    // checked: the installed one's for an uninstall (mode 2), the new one's otherwise.
    int CheckProductDifference(int mode);

    // Removes the delete set's files below the old root, except those whose relative path starts
    // with an entry of keep. Always 0.
    int DeleteProductFile(std::vector<std::wstring> keep);
    // Removes the folders below the old root that held delete-set files and are now empty, deepest
    // first; links and folders with anything left in them stay.
    void RemoveEmptyProductFolders();
    // Copies the add set's files from the staging folder to the new root: 0, -1 when a target
    // folder could not be made, -2 when a file could not be placed (the rest stay uncopied), -3 when
    // m_Cancelled stopped it.
    int AddProductFile();
    // Moves src to dst; a destination in use is moved aside, or the file waits beside it as a
    // pending copy that replaces it at the next restart. 0 placed, 1 pending copy (its path in
    // pending), -1 src missing or the file could be placed neither now nor at the restart.
    int UpdateFile(const std::wstring& src, const std::wstring& dst, std::wstring& pending);
    // Leaves src beside dst under the first free name dst.new, dst.new1, dst.new12, ... and
    // registers it to replace dst at the next restart. 0.
    int UpdateFileOnReboot(const std::wstring& src, const std::wstring& dst, std::wstring& pending);

    // The run rules of a phase (exact, case-sensitive match of "when"): the add set's from first
    // to last, the delete set's from last to first.
    void DoRunruleInAddList(const char* phase);
    void DoRunruleInDeleteList(const char* phase);

    // Components, registry values and shortcuts of the add set. record may be null.
    int InstallRegistrations(const OpePARAMEx* record);
    int InstallDlls();
    int InstallRegs(bool runKey);
    int InstallShortcuts(bool desktop);
    int UninstallDlls();
    int UninstallRegs();
    int UninstallShortcuts();

    // An executable runs with "/regserver", a 64-bit DLL on an x64 system goes to the helper, any
    // other DLL is loaded (its own folder searched first, then the default search) and its
    // DllRegisterServer called. 0 (always for executables and the helper), -2 no such export, the
    // export's negative HRESULT, or the positive system error of a DLL that did not load.
    int RegComponent(const std::wstring& path, const std::wstring& helper);
    // The same with "/unregserver", "/u" and DllUnregisterServer.
    int UnregComponent(const std::wstring& path, const std::wstring& helper);

    // The roots every relative item path is joined to.
    const std::wstring& NewRoot() const { return m_NewProduct.m_WorkDir; }
    const std::wstring& StagingFolder() const { return m_NewProduct.m_SetupDir; }
    const std::wstring& OldRoot() const { return m_OldProduct.m_WorkDir; }

    CComponentConfig m_DeleteSet;
    CComponentConfig m_AddSet;
    // The system's architecture text ("x64", "x86", ...): which 64-bit DLLs need the helper.
    std::wstring m_SystemArch;
    // What the last UpdateFiles' copy returned (0: every file placed).
    int m_AddResult = 0;
    // Asked between two files of the copy: true stops it (AddProductFile then returns -3).
    std::function<bool()> m_Cancelled;
    // Where the copy takes the add set's files from first; null: all from the staging folder.
    IFileSupply* m_FileSupply = nullptr;

private:
    // One file into place: straight from the supply when it can make dst new, else through the
    // staging folder and UpdateFile's replacement of what is in the way. stamped: the file has its
    // record's time already.
    int PlaceFile(size_t index, const std::wstring& src, const std::wstring& dst, std::wstring& pending,
                  bool& stamped);
};

// An attribute's value as a wide string; empty when absent.
std::wstring GetAttr(const AttrMap& attrs, std::string_view name);
// newpath when not empty, else path.
std::wstring GetItemPath(const FileItem& item);
// The 64-bit registration helper below a root: root\Setup\DllRegX64.exe.
std::wstring RegistrationHelper(const std::wstring& root);
// The language-dependent name of an attribute: base + "_" + the system's language code.
std::string LanguageAttrName(std::string_view base);

// The process-wide engine, created on first use (safe against concurrent first use).
CUpdateEngEx& GetUpdateEngine();
