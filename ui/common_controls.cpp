#include "ui/common_controls.h"

#include "runtime/library_loading.h"

namespace quill {

namespace {

struct CommonControls {
    BOOL(WINAPI* initEx)(const INITCOMMONCONTROLSEX*) = nullptr;
    BOOL(WINAPI* setSubclass)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR) = nullptr;
    BOOL(WINAPI* removeSubclass)(HWND, SUBCLASSPROC, UINT_PTR) = nullptr;
    LRESULT(WINAPI* defSubclass)(HWND, UINT, WPARAM, LPARAM) = nullptr;
    bool progressClass = false;
};

template <class Fn>
void Bind(HMODULE module, const char* name, Fn* fn) {
    *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loaded once, on first use, and kept for the life of the process.
const CommonControls& Library() {
    static const CommonControls library = [] {
        CommonControls c;
        // The library loads the theme library only when it first draws, and some loaders
        // (Wine's) resolve such a delayed import by the plain search order, executable's
        // folder first. Loaded from the system folder now, it is the copy found then.
        LoadSystemLibrary("uxtheme.dll");
        HMODULE module = LoadSystemLibrary("comctl32.dll");
        if (!module) return c;
        Bind(module, "InitCommonControlsEx", &c.initEx);
        Bind(module, "SetWindowSubclass", &c.setSubclass);
        Bind(module, "RemoveWindowSubclass", &c.removeSubclass);
        Bind(module, "DefSubclassProc", &c.defSubclass);
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
        c.progressClass = c.initEx && c.initEx(&icc);
        return c;
    }();
    return library;
}

}  // namespace

bool LoadCommonControls() { return Library().progressClass; }

BOOL SubclassWindow(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
    return Library().setSubclass ? Library().setSubclass(hwnd, proc, id, data) : FALSE;
}

BOOL RemoveSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
    return Library().removeSubclass ? Library().removeSubclass(hwnd, proc, id) : FALSE;
}

LRESULT DefaultSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (Library().defSubclass) return Library().defSubclass(hwnd, msg, wp, lp);
    return CallWindowProcA(reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC)), hwnd, msg, wp, lp);
}

}  // namespace quill
