// A small stand-in for the product the installer carries. It is a real Windows program
// so that launching the installed product can be observed: on start it leaves a marker
// file beside itself (its command line and working folder, the two things the installer
// decides for it), then shows a window titled with its name until the user closes it.
// The updater is the same program built with ORVENLINE_UPDATER. Everything goes through the
// wide calls, so it works from a folder of any name on a system of any language; the marker
// holds its texts as the system's texts (base/wide_text.h), so GBK paths read as GBK.
#include <windows.h>

#include <string>

#include "base/wide_text.h"

namespace {

#ifdef ORVENLINE_UPDATER
const wchar_t kTitle[] = L"Orvenline Update";
const wchar_t kMarkerName[] = L"update.started";
#else
const wchar_t kTitle[] = L"Orvenline";
const wchar_t kMarkerName[] = L"Orvenline.started";
#endif
const wchar_t kClassName[] = L"OrvenlineMain";

// Marker path: the folder of this executable + kMarkerName; empty when it cannot be told.
std::wstring MarkerPath() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    return path.substr(0, path.rfind(L'\\') + 1) + kMarkerName;
}

std::wstring CurrentFolder() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return {};
    std::wstring folder(n, L'\0');
    folder.resize(GetCurrentDirectoryW(n, &folder[0]));
    return folder;
}

// Lines "command line: ..." and "current folder: ...", CRLF-terminated.
void WriteMarker() {
    const std::wstring path = MarkerPath();
    if (path.empty()) return;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = "command line: " + quill::FromWide(GetCommandLineW()) +
                             "\r\ncurrent folder: " + quill::FromWide(CurrentFolder()) + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT area;
        GetClientRect(window, &area);
        DrawTextW(dc, kTitle, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode) {
    WriteMarker();

    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassW(&wc)) return 1;

    HWND window = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 400, 240, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, showMode);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
