/* A tiny module for component and runtime-module tests: with
   KB_FIXTURE_COM it has DllRegisterServer and counts as a COM server. */
#include <windows.h>

#ifdef KB_FIXTURE_COM
__declspec(dllexport) HRESULT WINAPI DllRegisterServer(void) { return S_OK; }
#endif

__declspec(dllexport) int WINAPI FixtureModuleMark(void) { return KB_FIXTURE_MARK; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
