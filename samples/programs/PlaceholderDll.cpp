// The sample product's DLLs (TarnCore.dll, TarnShell*.dll, ...): real Windows DLLs with the
// registration entry points an installer calls, each succeeding without touching the system,
// and the two functions the sample's DLLCALL rules name.
#include <windows.h>

extern "C" {

__declspec(dllexport) HRESULT __stdcall DllRegisterServer() { return S_OK; }
__declspec(dllexport) HRESULT __stdcall DllUnregisterServer() { return S_OK; }
__declspec(dllexport) HRESULT __stdcall DllInstall(BOOL, PCWSTR) { return S_OK; }
__declspec(dllexport) void __stdcall TarnRegister() {}
__declspec(dllexport) void __stdcall TarnUnregister() {}

}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
