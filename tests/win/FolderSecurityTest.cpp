// Which folders count as only administrators' to change. Wine keeps no ACLs, so the descriptors
// are built from SDDL here as the system would report them on Windows.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <vector>

#include "system/FolderSecurity.h"
#include "system/TextConv.h"
#include "system/Win32Handles.h"

namespace {

std::wstring RunningUserSid() {
    sys::UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive())) return {};
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
    const sys::UniqueDescriptor owned(text);
    return text;
}

}  // namespace

TEST(FolderSecurity, OnlySystemAndAdministratorsMayChangeAWorkingFolder) {
    const std::wstring user = RunningUserSid();
    ASSERT_FALSE(user.empty());
    const struct {
        std::wstring sddl;
        bool safe;
    } cases[] = {
        {L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},
        {L"O:SYD:PAI(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(D;;FA;;;WD)", true},  // read for users, a deny
        {L"O:" + user + L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},           // owned by the running user
        {L"O:S-1-5-21-1-2-3-1001D:(A;OICI;FA;;;BA)", false},                     // another owner
        {L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)", false},                      // Everyone full control
        {L"O:BAD:(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + L")", false},           // the user's unelevated programs
        {L"O:BAD:(A;OICIIO;GW;;;BU)", false},                                    // write for what Users create
        {L"O:BAD:(A;;0x2;;;AU)", false},                                         // add a file, nothing else
        {L"O:BAD:(A;;WD;;;IU)", false},                                          // change the DACL
        {L"O:BA", false},                                                        // no DACL at all
    };
    for (const auto& c : cases) {
        const sys::UniqueDescriptor descriptor = sys::DescriptorFromText(c.sddl);
        ASSERT_TRUE(descriptor) << sys::WideToUtf8(c.sddl);
        EXPECT_EQ(sys::OnlyAdministratorsCanWrite(descriptor.get()), c.safe) << sys::WideToUtf8(c.sddl);
    }
    // A null DACL lets everybody do everything (built by hand: Wine reads "D:NO_ACCESS_CONTROL" as
    // an empty DACL, which lets nobody in).
    SECURITY_DESCRIPTOR open;
    ASSERT_TRUE(::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    ASSERT_TRUE(::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size));
    ASSERT_TRUE(::SetSecurityDescriptorOwner(&open, administrators, FALSE));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
    EXPECT_FALSE(sys::OnlyAdministratorsCanWrite(&open));
}
