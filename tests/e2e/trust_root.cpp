// Puts test CAs' certificates (PEM) into the local machine's Root store of the Wine prefix, as an
// administrator installs a company root on Windows, through the certificate store API.
//   trust_root.exe CA.pem...
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int Trust(const wchar_t* file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string pem = text.str();
    DWORD size = 0;
    if (!::CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                                nullptr, &size, nullptr, nullptr)) {
        std::fprintf(stderr, "trust_root: no certificate in the file\n");
        return 1;
    }
    std::vector<BYTE> der(size);
    ::CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                           &size, nullptr, nullptr);
    HCERTSTORE root =
        ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!root) {
        std::fprintf(stderr, "trust_root: cannot open the Root store (%lu)\n", ::GetLastError());
        return 1;
    }
    const BOOL added = ::CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    const DWORD error = ::GetLastError();
    ::CertCloseStore(root, 0);
    if (!added) {
        std::fprintf(stderr, "trust_root: cannot add the certificate (%lu)\n", error);
        return 1;
    }
    std::printf("trust_root: added %ls\n", file);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: trust_root CA.pem...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        if (int failed = Trust(argv[i])) return failed;
    }
    return 0;
}
