#include "driver/DownloadTrust.h"

#include <cstdio>
#include <vector>

#include "system/Authenticode.h"

DownloadTrust CheckDownloadedInstaller(const std::wstring& self, const std::wstring& downloaded,
                                       HANDLE held) {
    DownloadTrust trust;
    const std::vector<unsigned char> publisher = sys::ReadSignerSubject(self);
    if (publisher.empty()) {
        trust.allowed = true;
        trust.reason = "this installer is not signed, so the download was checked against its digest only";
        return trust;
    }
    const sys::SignatureTrust signature = sys::VerifyFileSignature(downloaded, held);
    if (!signature.trusted) {
        char text[96];
        std::snprintf(text, sizeof(text), "its signature is missing or not trusted (0x%08lx)",
                      static_cast<unsigned long>(signature.status));
        trust.reason = text;
        return trust;
    }
    const std::vector<unsigned char> signer = sys::ReadSignerSubject(downloaded);
    if (signer != publisher) {
        trust.reason = "it is signed by \"" + sys::SubjectText(signer) +
                       "\", not by this installer's publisher \"" + sys::SubjectText(publisher) + "\"";
        return trust;
    }
    trust.allowed = true;
    trust.authenticated = true;
    trust.reason = "signed by \"" + sys::SubjectText(signer) + "\"" +
                   (signature.revocationUnknown ? ", revocation not checked (offline)" : "");
    return trust;
}
