// The sample product's plain libraries (TarnLegacy.dll, TarnModern.dll): real Windows DLLs that
// the conditions of the component file choose between; nothing registers or calls them.
#include <windows.h>

extern "C" __declspec(dllexport) int __stdcall TarnRendererVersion() { return 1; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
