#include "system/Authenticode.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "system/SystemLibrary.h"
#include "system/TextConv.h"

namespace sys {

namespace {

// What is taken from crypt32 and wintrust, resolved once from the system folder.
struct TrustApi {
    decltype(&::CryptQueryObject) queryObject = nullptr;
    decltype(&::CryptMsgGetParam) msgGetParam = nullptr;
    decltype(&::CryptMsgClose) msgClose = nullptr;
    decltype(&::CertFindCertificateInStore) findCertificate = nullptr;
    decltype(&::CertFreeCertificateContext) freeCertificate = nullptr;
    decltype(&::CertCloseStore) closeStore = nullptr;
    decltype(&::CertNameToStrW) nameToString = nullptr;
    decltype(&::WinVerifyTrust) verifyTrust = nullptr;
    bool complete = false;
};

const TrustApi& Api() {
    static const TrustApi api = [] {
        TrustApi a;
        HMODULE crypt32 = LoadSystemLibrary(L"crypt32.dll");
        HMODULE wintrust = LoadSystemLibrary(L"wintrust.dll");
        if (!crypt32 || !wintrust) return a;
        a.complete = GetProc(crypt32, "CryptQueryObject", a.queryObject) &&
                     GetProc(crypt32, "CryptMsgGetParam", a.msgGetParam) &&
                     GetProc(crypt32, "CryptMsgClose", a.msgClose) &&
                     GetProc(crypt32, "CertFindCertificateInStore", a.findCertificate) &&
                     GetProc(crypt32, "CertFreeCertificateContext", a.freeCertificate) &&
                     GetProc(crypt32, "CertCloseStore", a.closeStore) &&
                     GetProc(crypt32, "CertNameToStrW", a.nameToString) &&
                     GetProc(wintrust, "WinVerifyTrust", a.verifyTrust);
        return a;
    }();
    return api;
}

// The signed message and certificate store CryptQueryObject hands out, released together.
struct SignedMessage {
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    ~SignedMessage() {
        if (message) Api().msgClose(message);
        if (store) Api().closeStore(store, 0);
    }
};

LONG Verify(const std::wstring& path, HANDLE file, DWORD revocation) {
    WINTRUST_FILE_INFO info = {};
    info.cbStruct = sizeof(info);
    info.pcwszFilePath = path.c_str();
    info.hFile = file;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = revocation;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &info;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = Api().verifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    Api().verifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return status;
}

bool RevocationUnknown(LONG status) {
    return status == static_cast<LONG>(CERT_E_REVOCATION_FAILURE) ||
           status == static_cast<LONG>(CRYPT_E_REVOCATION_OFFLINE) ||
           status == static_cast<LONG>(CRYPT_E_NO_REVOCATION_CHECK);
}

}  // namespace

bool CanVerifySignatures() {
    return Api().complete;
}

std::vector<unsigned char> ReadSignerSubject(const std::wstring& path) {
    const TrustApi& api = Api();
    if (!api.complete) return {};
    SignedMessage signed_;
    DWORD encoding = 0, contentType = 0, formatType = 0;
    if (!api.queryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                         CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &contentType, &formatType,
                         &signed_.store, &signed_.message, nullptr)) {
        return {};
    }
    // The first signer names its certificate by issuer and serial number; the certificate itself
    // travels in the signature's store.
    DWORD size = 0;
    if (!api.msgGetParam(signed_.message, CMSG_SIGNER_CERT_INFO_PARAM, 0, nullptr, &size) || size == 0)
        return {};
    std::vector<unsigned char> buffer(size);
    if (!api.msgGetParam(signed_.message, CMSG_SIGNER_CERT_INFO_PARAM, 0, buffer.data(), &size)) return {};
    const auto* signer = reinterpret_cast<const CERT_INFO*>(buffer.data());
    const CERT_CONTEXT* certificate = api.findCertificate(
        signed_.store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SUBJECT_CERT, signer, nullptr);
    if (!certificate) return {};
    const CERT_NAME_BLOB& subject = certificate->pCertInfo->Subject;
    std::vector<unsigned char> bytes(subject.pbData, subject.pbData + subject.cbData);
    api.freeCertificate(certificate);
    return bytes;
}

std::string SubjectText(const std::vector<unsigned char>& subject) {
    if (subject.empty() || !Api().complete) return "";
    CERT_NAME_BLOB blob = {static_cast<DWORD>(subject.size()), const_cast<BYTE*>(subject.data())};
    const DWORD type = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
    const DWORD length = Api().nameToString(X509_ASN_ENCODING, &blob, type, nullptr, 0);
    if (length <= 1) return "";
    std::wstring text(length, L'\0');
    Api().nameToString(X509_ASN_ENCODING, &blob, type, &text[0], length);
    text.resize(length - 1);
    return WideToUtf8(text);
}

SignatureTrust VerifyFileSignature(const std::wstring& path, HANDLE file) {
    SignatureTrust trust;
    if (!Api().complete) {
        trust.status = static_cast<long>(TRUST_E_PROVIDER_UNKNOWN);
        return trust;
    }
    trust.status = Verify(path, file, WTD_REVOKE_WHOLECHAIN);
    // Best effort, as for the server's certificate: a revoked signer stays refused, a revocation
    // list that cannot be reached does not refuse a good signature.
    if (RevocationUnknown(trust.status)) {
        ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        const LONG withoutRevocation = Verify(path, file, WTD_REVOKE_NONE);
        if (withoutRevocation == 0) {
            trust.status = 0;
            trust.revocationUnknown = true;
        }
    }
    trust.trusted = trust.status == 0;
    return trust;
}

}  // namespace sys
