// Turns a unit's stored cursor bytes into a cursor handle.
#pragma once

#include <windows.h>

#include <string>

namespace quill {

// A system cursor by its IDC_ id, which is a number and the same for the wide call.
inline HCURSOR SystemCursor(LPCSTR id) {
    return LoadCursorW(nullptr, MAKEINTRESOURCEW(reinterpret_cast<uintptr_t>(id)));
}

// Null means "no cursor of its own" (the class cursor applies). *owns tells whether the
// handle was made from cursor file data and must be destroyed by the caller.
HCURSOR CursorFromBlob(const std::string& blob, bool* owns);

}  // namespace quill
