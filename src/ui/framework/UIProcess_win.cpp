// The framework's process-wide services: the instance handle, where skins come from, the message
// loop, and the release of the shared pictures and of GDI+.
#include "ui/framework/UIProcess.h"

#include "ui/framework/UIRender.h"
#include "ui/framework/UIResource.h"

namespace DuiLib {

namespace {

HINSTANCE g_instance = nullptr;

}  // namespace

void CUIProcess::SetInstance(HINSTANCE instance) {
    g_instance = instance;
    CSkinResources::Instance().SetProgramResourceReader(
        [](const std::wstring& name, const std::wstring& type, std::string& bytes) {
            HRSRC found = ::FindResourceW(g_instance, name.c_str(), type.c_str());
            if (!found) return false;
            HGLOBAL loaded = ::LoadResource(g_instance, found);
            const DWORD size = ::SizeofResource(g_instance, found);
            const void* data = loaded ? ::LockResource(loaded) : nullptr;
            if (!data || size == 0) return false;
            bytes.assign(static_cast<const char*>(data), size);
            return true;
        });
}

HINSTANCE CUIProcess::GetInstance() {
    return g_instance ? g_instance : ::GetModuleHandleW(nullptr);
}

void CUIProcess::SetResourcePath(const wchar_t* folder) {
    CSkinResources::Instance().SetResourcePath(folder ? folder : L"");
}

std::wstring CUIProcess::GetResourcePath() {
    return CSkinResources::Instance().GetResourcePath();
}

bool CUIProcess::SetResourceZip(const wchar_t* archiveName, bool cached, const wchar_t* password) {
    (void)cached;  // the archive is always held in memory: its file is never kept open
    (void)password;
    CImageCache::Clear();
    return CSkinResources::Instance().SetResourceZip(archiveName ? archiveName : L"");
}

bool CUIProcess::SetResourceZip(const void* data, unsigned size) {
    CImageCache::Clear();
    return CSkinResources::Instance().SetResourceZip(data, size);
}

void CUIProcess::SetResourceType(int kind) {
    CImageCache::Clear();
    CSkinResources::Instance().SetResourceType(kind);
}

int CUIProcess::GetResourceType() {
    return CSkinResources::Instance().GetResourceType();
}

bool CUIProcess::LoadResourceList(const wchar_t* name) {
    return CSkinResources::Instance().LoadResourceList(name ? name : L"");
}

int CUIProcess::MessageLoop() {
    MSG msg = {};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}

void CUIProcess::Term() {
    CImageCache::Clear();
    StopGdiPlus();
}

}  // namespace DuiLib
