// The system's common controls library (the progress bar class). It is not among the
// libraries Windows protects by name, so importing it would have the loader look for it
// beside the executable first; it is loaded at run time from the system folder instead.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace quill {

// Loads the library from the system folder and registers the progress bar class. True
// when the class is available; later calls only answer.
bool LoadCommonControls();

}  // namespace quill
