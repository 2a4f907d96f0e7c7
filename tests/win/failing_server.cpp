// A COM server whose self-registration fails the way a broken one does: both exports return
// E_FAIL.
#include <windows.h>

extern "C" {
__declspec(dllexport) HRESULT __stdcall DllRegisterServer() { return E_FAIL; }
__declspec(dllexport) HRESULT __stdcall DllUnregisterServer() { return E_FAIL; }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
