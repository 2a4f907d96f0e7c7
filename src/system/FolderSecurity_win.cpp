#include "system/FolderSecurity.h"

#include <sddl.h>

#include <atomic>
#include <vector>

#include "system/FileHelpers.h"
#include "system/Win32Handles.h"

namespace sys {

namespace {

// Full control for SYSTEM and Administrators, protected from what the parent passes on; a
// product folder also lets Users read and run (0x1200a9: FILE_GENERIC_READ | FILE_GENERIC_EXECUTE).
constexpr wchar_t kAdministratorsDacl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr wchar_t kAdministratorsUsersReadDacl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// Any of these lets the holder change the folder, what is in it, or who may.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                      FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                      GENERIC_ALL | MAXIMUM_ALLOWED;

FolderSecurityStore g_systemStore;
std::atomic<FolderSecurityStore*> g_store{&g_systemStore};
// -1 not probed yet, 0 the file system keeps no security, 1 it does.
std::atomic<int> g_keepsSecurity{-1};

FolderSecurityStore& Store() { return *g_store.load(); }

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return ::IsWellKnownSid(sid, type) != FALSE; }

bool IsAdministratorOrSystem(PSID sid) {
    return IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid);
}

bool IsRunningUser(PSID sid) {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive())) return false;
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return false;
    std::vector<unsigned char> buffer(size);
    if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return false;
    return ::EqualSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, sid) != FALSE;
}

bool IsDenyEntry(BYTE type) {
    return type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_OBJECT_ACE_TYPE ||
           type == ACCESS_DENIED_CALLBACK_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
}

// True when an allowed entry lets somebody other than SYSTEM or Administrators change things.
// Entries whose trustee cannot be read simply (object entries) count as others.
bool LetsOthersChange(const ACL* dacl) {
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(const_cast<ACL*>(dacl), i, &entry)) return true;
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (IsDenyEntry(header->AceType)) continue;
        // Every allowed kind keeps its mask right after the header.
        const ACCESS_MASK mask = static_cast<const ACCESS_ALLOWED_ACE*>(entry)->Mask;
        if ((mask & kChangeRights) == 0) continue;
        const bool plain = header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE;
        if (!plain) return true;
        PSID trustee = const_cast<DWORD*>(&static_cast<const ACCESS_ALLOWED_ACE*>(entry)->SidStart);
        if (!IsAdministratorOrSystem(trustee)) return true;
    }
    return false;
}

// A folder made now with the administrators' descriptor, read back: where the system hands back
// something else (no security kept, as on FAT or under Wine), an old folder's security tells
// nothing and is not judged. A probe that cannot be made leaves judging on.
bool FileSystemKeepsSecurity(const std::wstring& parent) {
    const int known = g_keepsSecurity.load();
    if (known >= 0) return known == 1;
    const UniqueDescriptor asked = FolderDescriptor(FolderAccess::kAdministrators);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::wstring probe = parent + L"~QYAcl" + std::to_wstring(::GetCurrentProcessId()) + L"." +
                                   std::to_wstring(::GetTickCount()) + L"." + std::to_wstring(attempt);
        if (Store().Create(probe, asked.get()) != 0) continue;
        const UniqueDescriptor read = Store().Read(probe);
        ::RemoveDirectoryW(probe.c_str());
        const bool keeps = read && OnlyAdministratorsCanWrite(read.get());
        g_keepsSecurity = keeps ? 1 : 0;
        return keeps;
    }
    return true;
}

std::wstring ParentOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/", path.size() > 1 ? path.size() - 2 : 0);
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool OldFolderIsSafe(const std::wstring& path) {
    if (!FileSystemKeepsSecurity(ParentOf(path))) return true;
    const UniqueDescriptor read = Store().Read(path);
    return read && OnlyAdministratorsCanWrite(read.get());
}

// Removes a folder, a link or a file under the name; true when nothing is left there.
bool RemoveAnything(const std::wstring& path) {
    if (IsPlainFolder(path) || IsLink(path)) {
        DeleteFolder(path, {});
    } else {
        RemoveFile(path);
    }
    return !PathExists(path);
}

}  // namespace

int FolderSecurityStore::Create(const std::wstring& path, PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    if (::CreateDirectoryW(path.c_str(), descriptor ? &attributes : nullptr)) return 0;
    return static_cast<int>(::GetLastError());
}

UniqueDescriptor FolderSecurityStore::Read(const std::wstring& path) {
    UniqueHandle folder(::CreateFileW(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
    if (!folder) return nullptr;
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    ::GetKernelObjectSecurity(folder.get(), wanted, nullptr, 0, &size);
    if (size == 0) return nullptr;
    UniqueDescriptor descriptor(::LocalAlloc(LMEM_FIXED, size));
    if (!descriptor || !::GetKernelObjectSecurity(folder.get(), wanted, descriptor.get(), size, &size)) return nullptr;
    return descriptor;
}

void UseFolderSecurityStore(FolderSecurityStore* store) {
    g_store = store ? store : &g_systemStore;
    g_keepsSecurity = -1;
}

UniqueDescriptor FolderDescriptor(FolderAccess access) {
    if (access == FolderAccess::kInherited) return nullptr;
    return DescriptorFromText(access == FolderAccess::kAdministrators ? kAdministratorsDacl : kAdministratorsUsersReadDacl);
}

UniqueDescriptor DescriptorFromText(const std::wstring& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return nullptr;
    }
    return UniqueDescriptor(descriptor);
}

std::wstring DescriptorText(PSECURITY_DESCRIPTOR descriptor) {
    if (!descriptor) return {};
    wchar_t* text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return {};
    }
    const UniqueDescriptor owned(text);
    return text;
}

bool OnlyAdministratorsCanWrite(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    BOOL ownerDefaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) || !owner) return false;
    if (!IsAdministratorOrSystem(owner) && !IsRunningUser(owner)) return false;
    BOOL present = FALSE;
    BOOL daclDefaulted = FALSE;
    ACL* dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &daclDefaulted)) return false;
    // No DACL at all lets everybody do everything.
    if (!present || !dacl) return false;
    return !LetsOthersChange(dacl);
}

int CreateFolderTreeWith(const std::wstring& path, FolderAccess access) {
    if (PathExists(path)) return 0;
    const UniqueDescriptor descriptor = FolderDescriptor(access);
    std::wstring full = path;
    if (full.empty() || full.back() != L'\\') full += L'\\';
    for (size_t pos = full.find(L'\\'); pos != std::wstring::npos; pos = full.find(L'\\', pos + 1)) {
        if (pos == 0) continue;
        const std::wstring prefix = full.substr(0, pos);
        if (PathExists(prefix)) continue;
        if (const int error = Store().Create(prefix, descriptor.get())) {
            ::SetLastError(static_cast<DWORD>(error));
            return error;
        }
    }
    return 0;
}

FolderVerdict PrepareAdministratorsFolder(const std::wstring& path, bool keepContents) {
    bool replaced = false;
    if (PathExists(path)) {
        const bool keep = keepContents && IsPlainFolder(path);
        if (keep && !OldFolderIsSafe(path)) {
            replaced = true;
            if (!RemoveAnything(path)) return FolderVerdict::kNotSafe;
        } else if (!keep) {
            RemoveAnything(path);
        }
    }
    // What could not be removed (a file held open) stays in an old folder made safe before.
    if (PathExists(path)) {
        if (!IsPlainFolder(path)) {
            ::SetLastError(ERROR_ALREADY_EXISTS);
            return FolderVerdict::kNotMade;
        }
        if (!OldFolderIsSafe(path)) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return FolderVerdict::kNotSafe;
        }
        return FolderVerdict::kReady;
    }
    if (CreateFolderTreeWith(path, FolderAccess::kAdministrators) != 0) return FolderVerdict::kNotMade;
    return replaced ? FolderVerdict::kReplaced : FolderVerdict::kReady;
}

}  // namespace sys
