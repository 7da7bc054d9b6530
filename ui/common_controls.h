// The system's common controls library (the progress bar class and window subclassing).
// It is not among the libraries Windows protects by name, so importing it would have the
// loader look for it beside the executable first; it is loaded at run time from the system
// folder instead.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace quill {

// Loads the library from the system folder and registers the progress bar class. True
// when the class is available; later calls only answer.
bool LoadCommonControls();

// The library's window subclassing. Without the library nothing is subclassed (false) and
// the default procedure is the window class's own.
BOOL SubclassWindow(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);
BOOL RemoveSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id);
LRESULT DefaultSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace quill
