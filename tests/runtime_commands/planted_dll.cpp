// Stands in for a library someone dropped next to the program under a system library's
// name. Loading it leaves a marker file beside it; it also offers the export the program
// would look for, so a loader that picked it would succeed without noticing.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
        while (n > 0 && path[n - 1] != '\\') --n;
        path[n] = '\0';
        std::strncat(path, "planted-dll-loaded.txt", MAX_PATH - n - 1);
        HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI SHGetFolderLocation(HWND, int, HANDLE, DWORD, void** out) {
    if (out) *out = nullptr;
    return E_FAIL;
}
