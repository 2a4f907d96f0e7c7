// TarnShell.dll: the sample product's in-process COM server, built for both architectures
// (bin\TarnShell32.dll, bin\TarnShell64.dll; installed as TarnShell.dll). Self-registration
// writes CLSID\{73FB7454-...}\InprocServer32 naming this DLL; its one class answers
// ITarnShell::Bits with the DLL's own pointer width, so a caller sees which build it got.
#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <new>

#include "ComRegistration.h"
#include "TarnShell.h"

namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

const wchar_t kClsidText[] = L"{73FB7454-0B7D-4845-B3EB-02355A6E48B7}";

class TarnShell final : public ITarnShell {
public:
    TarnShell() { ++g_objects; }
    ~TarnShell() { --g_objects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ITarnShell)) {
            *out = static_cast<ITarnShell*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long refs = --m_refs;
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE Bits(int* bits) override {
        if (!bits) return E_POINTER;
        *bits = static_cast<int>(sizeof(void*) * 8);
        return S_OK;
    }

private:
    std::atomic<long> m_refs{1};
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: it lives as long as the DLL.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        TarnShell* object = new (std::nothrow) TarnShell();
        if (!object) return E_OUTOFMEMORY;
        const HRESULT result = object->QueryInterface(iid, out);
        object->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? ++g_locks : --g_locks;
        return S_OK;
    }
};

Factory g_factory;

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_TarnShell)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

__declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

__declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
    return sample::RegisterComClass(kClsidText, L"Quilly Tarn shell extension", L"InprocServer32",
                                    sample::ModulePath(g_module), L"Apartment");
}

__declspec(dllexport) HRESULT __stdcall DllUnregisterServer() { return sample::UnregisterComClass(kClsidText); }

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
