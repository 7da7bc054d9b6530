// A small stand-in for the product the installer carries. It is a real Windows program
// so that launching the installed product can be observed: on start it leaves a marker
// file beside itself (its command line and working folder, the two things the installer
// decides for it), then shows a window titled with its name until the user closes it.
// The updater is the same program built with ORVENLINE_UPDATER.
#include <windows.h>

#include <cstring>

namespace {

#ifdef ORVENLINE_UPDATER
const char kTitle[] = "Orvenline Update";
const char kMarkerName[] = "update.started";
#else
const char kTitle[] = "Orvenline";
const char kMarkerName[] = "Orvenline.started";
#endif
const char kClassName[] = "OrvenlineMain";

// Marker path: the folder of this executable + kMarkerName.
bool MarkerPath(char* out, DWORD size) {
    DWORD n = GetModuleFileNameA(nullptr, out, size);
    if (n == 0 || n >= size) return false;
    char* slash = std::strrchr(out, '\\');
    char* cut = slash ? slash + 1 : out;
    if (static_cast<size_t>(cut - out) + sizeof(kMarkerName) > size) return false;
    std::memcpy(cut, kMarkerName, sizeof(kMarkerName));
    return true;
}

void WriteAll(HANDLE file, const char* text) {
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

// Lines "command line: ..." and "current folder: ...", CRLF-terminated.
void WriteMarker() {
    char path[MAX_PATH + 32];
    if (!MarkerPath(path, sizeof(path))) return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char folder[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof(folder), folder);
    WriteAll(file, "command line: ");
    WriteAll(file, GetCommandLineA());
    WriteAll(file, "\r\ncurrent folder: ");
    WriteAll(file, folder);
    WriteAll(file, "\r\n");
    CloseHandle(file);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT area;
        GetClientRect(window, &area);
        DrawTextA(dc, kTitle, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode) {
    WriteMarker();

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) return 1;

    HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 400, 240, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, showMode);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
