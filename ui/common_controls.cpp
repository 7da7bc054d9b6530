#include "ui/common_controls.h"

#include "runtime/library_loading.h"

namespace quill {

namespace {

// Loaded once, on first use, and kept for the life of the process. True when the progress
// bar class is registered.
bool Library() {
    static const bool progressClass = [] {
        // The library loads the theme library only when it first draws, and some loaders
        // (Wine's) resolve such a delayed import by the plain search order, executable's
        // folder first. Loaded from the system folder now, it is the copy found then.
        LoadSystemLibrary("uxtheme.dll");
        HMODULE module = LoadSystemLibrary("comctl32.dll");
        if (!module) return false;
        using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        const auto initEx =
            reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(module, "InitCommonControlsEx")));
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
        return initEx && initEx(&icc) != FALSE;
    }();
    return progressClass;
}

}  // namespace

bool LoadCommonControls() { return Library(); }

}  // namespace quill
