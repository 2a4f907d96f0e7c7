// MD5 through CNG (BCrypt). bcrypt.dll is not a known DLL, so it is loaded from the system folder
// at run time rather than imported: an import would be resolved from the installer's own folder
// (Downloads, say) before the program runs.
#include "interface/Maker/Md5.h"

#include <windows.h>
#include <bcrypt.h>

#include "common/log/LogPrint.h"
#include "common/log/log4z.h"
#include "system/SystemLibrary.h"

namespace {

struct BCryptApi {
    decltype(&::BCryptOpenAlgorithmProvider) open = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) close = nullptr;
    decltype(&::BCryptCreateHash) create = nullptr;
    decltype(&::BCryptHashData) hash = nullptr;
    decltype(&::BCryptFinishHash) finish = nullptr;
    decltype(&::BCryptDestroyHash) destroy = nullptr;
    bool complete() const { return open && close && create && hash && finish && destroy; }
};

// Loaded once per process and kept.
const BCryptApi& Api() {
    static const BCryptApi api = [] {
        BCryptApi loaded;
        HMODULE module = sys::LoadSystemLibrary(L"bcrypt.dll");
        if (!module) return loaded;
        sys::GetProc(module, "BCryptOpenAlgorithmProvider", loaded.open);
        sys::GetProc(module, "BCryptCloseAlgorithmProvider", loaded.close);
        sys::GetProc(module, "BCryptCreateHash", loaded.create);
        sys::GetProc(module, "BCryptHashData", loaded.hash);
        sys::GetProc(module, "BCryptFinishHash", loaded.finish);
        sys::GetProc(module, "BCryptDestroyHash", loaded.destroy);
        return loaded;
    }();
    return api;
}

void Report(const char* step, long status) {
    LogPrint(log4z::LOG_LEVEL_ERROR, "Md5, %s failed 0x%08lx", step, static_cast<unsigned long>(status));
}

}  // namespace

struct Md5::State {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool failed = false;

    void Fail(const char* step, long status) {
        if (!failed) Report(step, status);
        failed = true;
    }
    void Open() {
        const BCryptApi& api = Api();
        if (!api.complete()) return Fail("loading bcrypt.dll", static_cast<long>(::GetLastError()));
        if (!algorithm) {
            NTSTATUS status = api.open(&algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0);
            if (status < 0) {
                algorithm = nullptr;
                return Fail("BCryptOpenAlgorithmProvider", status);
            }
        }
        if (!hash) {
            NTSTATUS status = api.create(algorithm, &hash, nullptr, 0, nullptr, 0, 0);
            if (status < 0) {
                hash = nullptr;
                Fail("BCryptCreateHash", status);
            }
        }
    }
    void DestroyHash() {
        if (hash) Api().destroy(hash);
        hash = nullptr;
    }
    ~State() {
        DestroyHash();
        if (algorithm) Api().close(algorithm, 0);
    }
};

Md5::Md5() : m_state(new State) { m_state->Open(); }
Md5::~Md5() = default;

void Md5::Update(const void* data, size_t size) {
    const auto* bytes = static_cast<const UCHAR*>(data);
    while (size > 0 && m_state->hash && !m_state->failed) {
        ULONG chunk = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
        NTSTATUS status = Api().hash(m_state->hash, const_cast<PUCHAR>(bytes), chunk, 0);
        if (status < 0) m_state->Fail("BCryptHashData", status);
        bytes += chunk;
        size -= chunk;
    }
}

std::optional<Md5::Digest> Md5::Final() {
    Digest digest{};
    bool ok = m_state->hash && !m_state->failed;
    if (ok) {
        NTSTATUS status = Api().finish(m_state->hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
        if (status < 0) {
            m_state->Fail("BCryptFinishHash", status);
            ok = false;
        }
    }
    m_state->DestroyHash();
    m_state->failed = false;
    m_state->Open();
    if (!ok) return std::nullopt;
    return digest;
}
