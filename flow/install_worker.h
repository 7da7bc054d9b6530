// The installation in the window (the start press and its worker) and the running-copy
// check both modes make.
#pragma once

#include <string>

namespace quill {

// True from an accepted start press on; further presses and folder changes are ignored.
bool InstallationRunning();
// True when a copy of the product (its executable, any case) runs: both modes refuse then.
bool ProductRunning();

}  // namespace quill
