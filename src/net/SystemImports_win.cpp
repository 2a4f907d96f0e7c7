// The certificate and random-number functions libcurl's Schannel backend imports from crypt32.dll
// and bcrypt.dll. Neither is a known DLL, so a static import would be resolved from the
// installer's own folder first (Downloads, writable by anyone) before any of our code runs.
// Defining the import slots here keeps them out of the import table: the first call loads the
// DLL from the system folder and goes on to the real function.
#include <winsock2.h>
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include "system/SystemLibrary.h"

namespace {

FARPROC Resolve(const char* dll, const char* name) {
    wchar_t wide[32] = {};
    for (int i = 0; dll[i] && i < 31; ++i) wide[i] = static_cast<wchar_t>(dll[i]);
    HMODULE module = sys::LoadSystemLibrary(wide);
    return module ? ::GetProcAddress(module, name) : nullptr;
}

template <typename Fn>
struct Forwarder;

template <typename R, typename... Args>
struct Forwarder<R(WINAPI*)(Args...)> {
    template <const char* Dll, const char* Name>
    static R WINAPI Call(Args... args) {
        using Real = R(WINAPI*)(Args...);
        static const Real real = reinterpret_cast<Real>(reinterpret_cast<void*>(Resolve(Dll, Name)));
        if (!real) {
            ::SetLastError(ERROR_PROC_NOT_FOUND);
            return R();
        }
        return real(args...);
    }
};

}  // namespace

// The import slot's name: __imp_Name on x86_64, __imp__Name@bytes (stdcall) on i686.
#if defined(_WIN64)
#define QY_IMPORT_SLOT(name, bytes) "__imp_" #name
#else
#define QY_IMPORT_SLOT(name, bytes) "__imp__" #name "@" #bytes
#endif

#define QY_LAZY_IMPORT(dll, name, bytes)                                  \
    namespace {                                                           \
    constexpr char kDll_##name[] = dll;                                   \
    constexpr char kName_##name[] = #name;                                \
    }                                                                     \
    extern "C" void* qy_slot_##name __asm__(QY_IMPORT_SLOT(name, bytes)); \
    void* qy_slot_##name =                                                \
        reinterpret_cast<void*>(&Forwarder<decltype(&::name)>::Call<kDll_##name, kName_##name>);

QY_LAZY_IMPORT("crypt32.dll", CertAddCertificateContextToStore, 16)
QY_LAZY_IMPORT("crypt32.dll", CertCloseStore, 8)
QY_LAZY_IMPORT("crypt32.dll", CertCreateCertificateChainEngine, 8)
QY_LAZY_IMPORT("crypt32.dll", CertEnumCertificatesInStore, 8)
QY_LAZY_IMPORT("crypt32.dll", CertFindCertificateInStore, 24)
QY_LAZY_IMPORT("crypt32.dll", CertFindExtension, 12)
QY_LAZY_IMPORT("crypt32.dll", CertFreeCertificateChain, 4)
QY_LAZY_IMPORT("crypt32.dll", CertFreeCertificateChainEngine, 4)
QY_LAZY_IMPORT("crypt32.dll", CertFreeCertificateContext, 4)
QY_LAZY_IMPORT("crypt32.dll", CertGetCertificateChain, 32)
QY_LAZY_IMPORT("crypt32.dll", CertGetNameStringW, 24)
QY_LAZY_IMPORT("crypt32.dll", CertOpenStore, 20)
QY_LAZY_IMPORT("crypt32.dll", CryptDecodeObjectEx, 32)
QY_LAZY_IMPORT("crypt32.dll", CryptQueryObject, 44)
QY_LAZY_IMPORT("crypt32.dll", CryptStringToBinaryW, 28)
QY_LAZY_IMPORT("crypt32.dll", PFXImportCertStore, 12)

// libcurl calls this one directly rather than through an import slot.
namespace {
constexpr char kBcrypt[] = "bcrypt.dll";
constexpr char kGenRandom[] = "BCryptGenRandom";
}  // namespace
extern "C" NTSTATUS WINAPI BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG size,
                                           ULONG flags) {
    return Forwarder<decltype(&::BCryptGenRandom)>::Call<kBcrypt, kGenRandom>(algorithm, buffer, size, flags);
}
