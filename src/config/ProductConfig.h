// One product in memory: the values of its product file(s), the component references, the
// component models read from them and the folders they were read from. Owns its components.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/AttrMap.h"
#include "config/ComponentConfig.h"

class IInstallUIPromptEx;
class TiXmlElement;
namespace config {
class ConfigListPieces;
}
namespace sys {
class IFileProbe;
}

// Told of each validation message with the line of the element it is about, so that a tool can
// name where a fault is. The installer sets none.
class IConfigFaultSink {
public:
    virtual void OnConfigFault(int line, const std::string& message) = 0;

protected:
    ~IConfigFaultSink() = default;
};

struct ComponentRef {
    std::wstring name;
    std::wstring config;  // component file name, relative to the "package" folder
    int32_t enabled = 1;
};

class CProductConfig {
public:
    CProductConfig();
    ~CProductConfig();
    CProductConfig(const CProductConfig&) = delete;
    CProductConfig& operator=(const CProductConfig&) = delete;

    // Reads the comma-separated component files below m_InstallRoot + "package\". 0, or -1 when a
    // file failed: that model and every later file are dropped.
    int LoadComponentConfigs(const std::wstring& list);
    // True when the file loaded and every check passed; messages go to m_ErrorSink.
    bool ParseComponentConfig(const std::wstring& path, CComponentConfig& target);
    // The same on a document already parsed; path is used in messages only.
    // pieces: the file list's children, when the document was read without them.
    bool ParseComponentDocument(const TiXmlElement* root, const std::wstring& path, CComponentConfig& target,
                                const config::ConfigListPieces* pieces = nullptr);
    bool ParseAttributes(const TiXmlElement* element, const CComponentConfig& owner, AttrMap& target, bool isRoot);
    void ReportConfigError(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    // 0 and the root taken when the folder exists; -1 and no change otherwise.
    int SetInstallRoot(const std::wstring& path);
    // A relative item path against m_InstallRoot, or a macro path against its special folder.
    std::wstring ExpandPath(const std::wstring& path) const;
    // The same against another root (ending with "\").
    static std::wstring ExpandPath(const std::wstring& path, const std::wstring& root);

    // Installed files whose copy on disk no longer matches their record (or that are to be
    // refreshed on every install) get diskChanged. Paths resolve against installRoot (ending with
    // "\"), the folder the run installs into. Writes its line to standard output.
    void UpdateCopyFileRef(const sys::IFileProbe& disk, const std::wstring& installRoot);
    // Marks files of a set that need no work: in the delete set those marked noDelete, in the add
    // set those whose copy in installRoot already matches the record.
    void MarkSkippedFiles(CComponentConfig& set, bool isDeleteSet, const sys::IFileProbe& disk,
                          const std::wstring& installRoot) const;
    // Drops repeated component files and marks what the running system excludes; -1 when the
    // system itself is not supported.
    int ApplyConditions(const std::string& version, const std::string& architecture);
    // Disables modules, drivers, run rules and shortcuts whose file no component installs.
    int DisableOrphanItems();

    int32_t m_ProductID = 0;
    int32_t m_ProductOS = 0;
    std::wstring m_ProductType;
    int32_t m_ProductRunMode = 0;
    std::wstring m_ProductVer;
    std::wstring m_ProductVer2;
    std::wstring m_SysVersion;
    std::vector<ComponentRef> m_Components;
    std::wstring m_InstallInfoPath;
    std::wstring m_RegKey;
    std::wstring m_Name0804;
    std::wstring m_Name0404;
    std::wstring m_Name0409;
    std::wstring m_ExtraModulePath;
    int32_t m_PackageType = 0;  // 1 offline, 2 web
    std::wstring m_Version;
    std::vector<std::unique_ptr<CComponentConfig>> m_ComponentConfigs;
    int32_t m_ConfigCount = 0;
    int32_t m_FileCount = 0;
    std::wstring m_WorkDir;
    std::wstring m_SetupDir;
    std::wstring m_InstallRoot;  // ends with "\"
    IInstallUIPromptEx* m_ErrorSink = nullptr;
    std::wstring m_SetupConfig;
    // Receives the messages of ReportConfigError with their lines; the composed messages (a
    // document that does not load, missing required attributes) are the caller's to place.
    IConfigFaultSink* m_FaultSink = nullptr;

private:
    void ReportComposed(const std::string& message);
    bool ReadShortcuts(const TiXmlElement* shortcuts, CComponentConfig& target);

    int m_ReportLine = 0;  // the line of the element being read, for m_FaultSink
};

// Package types of the product file's root "type".
constexpr int32_t kPackageOffline = 1;
constexpr int32_t kPackageWeb = 2;

// True when the attribute says "false" (without regard to case), as isInstall and isUpgrade do.
bool AttrIsFalse(const AttrMap& attrs, std::string_view name);
// Where an item's file goes, relative to its root: newpath when not empty, else path.
std::wstring FileTargetPath(const AttrMap& attrs);

// True when the file's directory entry matches the record: last-write time within 1000 ms of
// recordedMs (both UTC milliseconds since 1970) and the low 32 bits of its size equal to
// recordedSize.
bool FileMatchesRecord(const sys::IFileProbe& disk, const std::wstring& path, int64_t recordedMs,
                       uint32_t recordedSize);

// Disables the set's modules, drivers, run rules and shortcuts whose file the set itself does not
// install (no file with that path, or the first one is skipped). Always 0.
int DisableOrphanItems(CComponentConfig& set);
