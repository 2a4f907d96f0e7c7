// RAII owners for Win32 resources. A handle that is null or INVALID_HANDLE_VALUE counts as empty,
// so the owner never closes a handle that was not opened.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace sys {

template <typename T, typename Closer>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : m_value(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return m_value; }
    bool valid() const { return Closer::IsValid(m_value); }
    explicit operator bool() const { return valid(); }
    T* receive() {
        reset();
        return &m_value;
    }
    T release() { return std::exchange(m_value, Closer::Empty()); }
    void reset(T value = Closer::Empty()) {
        if (valid()) Closer::Close(m_value);
        m_value = value;
    }

private:
    T m_value = Closer::Empty();
};

struct HandleCloser {
    static HANDLE Empty() { return nullptr; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindCloser {
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
struct KeyCloser {
    static HKEY Empty() { return nullptr; }
    static bool IsValid(HKEY k) { return k != nullptr; }
    static void Close(HKEY k) { ::RegCloseKey(k); }
};
struct ModuleCloser {
    static HMODULE Empty() { return nullptr; }
    static bool IsValid(HMODULE m) { return m != nullptr; }
    static void Close(HMODULE m) { ::FreeLibrary(m); }
};

using UniqueHandle = UniqueResource<HANDLE, HandleCloser>;
using UniqueFindHandle = UniqueResource<HANDLE, FindCloser>;
using UniqueHKey = UniqueResource<HKEY, KeyCloser>;
using UniqueHModule = UniqueResource<HMODULE, ModuleCloser>;

// COM initialisation of the calling thread, undone when the scope ends if it succeeded.
class ComScope {
public:
    explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED) : m_hr(::CoInitializeEx(nullptr, model)) {}
    ~ComScope() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr;
};

// Owning pointer to a COM interface.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    I* get() const { return m_p; }
    I* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    I** receive() {
        reset();
        return &m_p;
    }
    void** receiveVoid() { return reinterpret_cast<void**>(receive()); }
    void reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }

private:
    I* m_p = nullptr;
};

}  // namespace sys
