// The support libraries whose unit types live in ui/: 1 the core runtime (window,
// Label, PicBox, ProcessBar, Timer, PicBtn) and 2 the extended-interface component
// (TransLabel).
#pragma once

#include "runtime/unit.h"

namespace quill {

extern const SupportLibrary kCoreLibrary;
extern const SupportLibrary kExtLibrary;

// The frame entry the extended-interface component received at start-up (null before).
NotifyFn ExtLibraryFrame();

}  // namespace quill
