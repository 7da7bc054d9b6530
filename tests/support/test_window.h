// The top-level window record the tests' own programs of the runtime start from.
#pragma once

#include "runtime/template_format.h"

namespace quill::test {

// A visible window unit at the given rectangle, with the window type's defaults.
inline UnitRecord WindowRecord(const char* name, int left, int top, int width, int height) {
    UnitRecord w;
    w.type = kTypeWindow;
    w.name = name;
    w.left = left;
    w.top = top;
    w.width = width;
    w.height = height;
    w.flags = kUnitVisible;
    return w;
}

}  // namespace quill::test
