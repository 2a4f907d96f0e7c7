// Everything the engine's steps change on the machine, or read of it while they change it: files
// and folders, programs started by run rules, registry values, shortcuts, component registration.
// The engine decides from its plan; an implementation of this interface carries the decisions
// out (the Win32 one on Windows, a recording one in tests).
#pragma once

#include <cstdint>
#include <string>

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

enum class RuleCommand { None, Exec, DllCall, Kill };

// One run rule to carry out: its program below root, how to start it and whether to wait. The
// sides differ in their waits: the add side waits up to 15 s and goes on; the delete side waits up
// to 10 s and then ends the program by its image name.
struct RuleRun {
    const char* phase = "";
    RuleCommand command = RuleCommand::None;
    std::wstring executable;  // full path
    std::wstring arguments;
    bool asUser = false;
    bool wait = false;
    bool deleteSide = false;
    std::wstring root;  // the folder whose Setup folder holds the 64-bit helper
};

class IEngineEffects {
public:
    // ---- files and folders ----
    virtual bool Exists(const std::wstring& path) = 0;
    // True when a folder on the way from root to relative is a link (or cannot be judged).
    virtual bool PassesThroughLink(const std::wstring& root, const std::wstring& relative) = 0;
    // 0 made, 183 (ERROR_ALREADY_EXISTS) already there, or the system error.
    virtual int CreateFolder(const std::wstring& path) = 0;
    // Now, moved aside when in use, or at the next restart.
    virtual void RemoveFile(const std::wstring& path) = 0;
    // A plain folder (never a link) that holds nothing; true when it went.
    virtual bool RemoveEmptyFolder(const std::wstring& path) = 0;
    // The folder with everything below it, links removed and never followed.
    virtual void DeleteFolder(const std::wstring& path) = 0;
    // Moves src to dst; a destination in use is moved aside, or the file waits beside it as a
    // pending copy that replaces it at the next restart. 0 placed, 1 pending copy (its path in
    // pending), -1 src missing or the file could be placed neither now nor at the restart.
    virtual int PlaceFile(const std::wstring& src, const std::wstring& dst, std::wstring& pending) = 0;
    // Last write at milliseconds since 1970 UTC (whole seconds), last access at 1970; failures ignored.
    virtual void SetFileTime(const std::wstring& path, int64_t milliseconds) = 0;

    // ---- programs ----
    virtual void RunRule(const RuleRun& rule) = 0;

    // ---- registry ----
    // Writes or deletes one value as its type name says; true when done.
    virtual bool WriteRegistryValue(const std::wstring& key, const std::wstring& name,
                                    const std::wstring& type, const std::wstring& value) = 0;
    // One value, or with an empty name the key with everything below it; true when done.
    virtual bool RemoveRegistryValue(const std::wstring& key, const std::wstring& name) = 0;
    // The key's default value and nothing else.
    virtual bool RemoveRegistryDefault(const std::wstring& key) = 0;

    // ---- shortcuts ----
    // The folder of a shortcut kind (SK_DESKTOP, SK_STARTMENU's Programs folder, SK_QUICKLAUNCH's
    // taskbar pin folder); empty when unknown.
    virtual std::wstring ShortcutFolder(int kind) = 0;
    // 0 written, or a negative failure.
    virtual int CreateShortcut(const std::wstring& path, const std::wstring& target,
                               const std::wstring& args) = 0;

    // ---- components ----
    // An executable runs with "/regserver" ("/unregserver"), a 64-bit DLL on an x64 system goes to
    // the helper, any other DLL is loaded and DllRegisterServer (DllUnregisterServer) called. 0,
    // kExportMissing, the export's negative HRESULT, or the positive system error of a DLL that
    // did not load.
    virtual int RegisterComponent(const std::wstring& path, const std::wstring& helper, bool registering) = 0;
    static constexpr int kExportMissing = -2;

protected:
    ~IEngineEffects() = default;
};
