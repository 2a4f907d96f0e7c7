// Folders only administrators can change. The installer runs elevated inside a user's temporary
// folder, which the user's unelevated programs can write: what it extracts, logs and installs
// goes into folders whose security it set itself, and a folder found under one of its names that
// others could change is not used.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace sys {

enum class FolderAccess {
    kInherited,                // what the parent folder passes on
    kAdministrators,           // SYSTEM and Administrators full control, nothing inherited
    kAdministratorsUsersRead,  // the same, and Users read and run (a product folder)
};

struct LocalMemoryFreer {
    void operator()(void* memory) const { ::LocalFree(memory); }
};
// A self-relative security descriptor the system allocated.
using UniqueDescriptor = std::unique_ptr<void, LocalMemoryFreer>;

// The descriptor a folder of that kind is made with (null for kInherited); what the folder gets
// is inherited by everything placed inside.
UniqueDescriptor FolderDescriptor(FolderAccess access);
// The owner and DACL of a descriptor as SDDL text, for log lines and tests; empty for null.
std::wstring DescriptorText(PSECURITY_DESCRIPTOR descriptor);
// A descriptor from SDDL text; null when the text is not valid.
UniqueDescriptor DescriptorFromText(const std::wstring& sddl);
// True when the owner is SYSTEM, Administrators or the running user and no entry lets anybody
// but SYSTEM and Administrators write, delete or change security (the running user counts as
// others there: its unelevated programs share its SID).
bool OnlyAdministratorsCanWrite(PSECURITY_DESCRIPTOR descriptor);

// Where folders are made and their security read; tests put a recorder in its place.
class FolderSecurityStore {
public:
    virtual ~FolderSecurityStore() = default;
    // Makes one folder with the descriptor (null: inherited); 0 or the system error.
    virtual int Create(const std::wstring& path, PSECURITY_DESCRIPTOR descriptor);
    // The folder's owner and DACL as the system reports them; null when they cannot be read.
    virtual UniqueDescriptor Read(const std::wstring& path);
};
// Replaces the system's store for this process; null puts it back. For tests.
void UseFolderSecurityStore(FolderSecurityStore* store);

// Makes the folder and its missing parents; each folder made gets the access. 0, or the system
// error of the first folder that could not be made.
int CreateFolderTreeWith(const std::wstring& path, FolderAccess access);

enum class FolderVerdict {
    kReady,        // a folder made now, or an old one only administrators can change
    kReplaced,     // an old folder others could change was removed and made again
    kNotSafe,      // an old folder others can change that could not be removed
    kNotMade,      // the folder could not be made (the system error is the last error)
};
// A working folder with FolderAccess::kAdministrators. keepContents keeps an old folder (and what
// is in it) when only administrators can change it; otherwise the old folder is always replaced.
// A link or file under the name is removed first. Where the file system keeps no security (FAT,
// Wine), an old folder cannot be judged and counts as ready.
FolderVerdict PrepareAdministratorsFolder(const std::wstring& path, bool keepContents);

}  // namespace sys
