// Stands in for a library someone dropped beside the installer (a downloads folder) under
// the name of a library Windows does not protect. Loading it at all leaves "<name>.loaded"
// beside it. The common-controls stand-in also offers the exports an executable that
// imported that library would ask for, so such an import would load it without failing.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH + 8];
        DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
        while (n > 0 && path[n - 1] != '.') --n;
        if (n == 0) return TRUE;
        std::strcpy(path + n, "loaded");
        HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return TRUE;
}

#ifdef PLANTED_COMMON_CONTROLS
extern "C" {
__declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) { return TRUE; }
__declspec(dllexport) BOOL WINAPI SetWindowSubclass(HWND, void*, UINT_PTR, DWORD_PTR) { return FALSE; }
__declspec(dllexport) BOOL WINAPI RemoveWindowSubclass(HWND, void*, UINT_PTR) { return FALSE; }
__declspec(dllexport) LRESULT WINAPI DefSubclassProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcA(h, m, w, l);
}
}
#endif
