// Turns a unit's stored cursor bytes into a cursor handle.
#pragma once

#include <windows.h>

#include <string>

namespace quill {

// Null means "no cursor of its own" (the class cursor applies). *owns tells whether the
// handle was made from cursor file data and must be destroyed by the caller.
HCURSOR CursorFromBlob(const std::string& blob, bool* owns);

}  // namespace quill
