// Authenticode signatures of programs, through the system: whether the system trusts a file's
// signature (WinVerifyTrust, no UI, revocation checked where it can be), and who signed a file
// (the signer certificate of its embedded signature). crypt32 and wintrust are not known DLLs:
// both are loaded from the system folder on first use.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sys {

// The encoded subject name of the certificate that signed a file's embedded signature (the whole
// name, so two certificates of one publisher, renewed with a new key, give the same bytes); empty
// when the file carries no signature that can be read.
std::vector<unsigned char> ReadSignerSubject(const std::wstring& path);

// The subject as text ("CN=..., O=..."), for log lines.
std::string SubjectText(const std::vector<unsigned char>& subject);

struct SignatureTrust {
    bool trusted = false;
    long status = 0;                 // WinVerifyTrust's result (0: trusted)
    bool revocationUnknown = false;  // trusted, but revocation could not be checked (offline)
};

// WinVerifyTrust over the file held open by file (path names it for the system's messages): the
// signature must be intact, cover the file's bytes and chain to a trusted root.
SignatureTrust VerifyFileSignature(const std::wstring& path, HANDLE file);

// Whether this system can check signatures at all.
bool CanVerifySignatures();

}  // namespace sys
