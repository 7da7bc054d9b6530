// The border property shared by Label, PicBox and ProcessBar: 0 none, 1 sunken, 2 raised,
// 3 shallow, 4 framed (sunken and raised), 5 single line. Other values (Label's drawn
// gradient border) take no window border.
#pragma once

#include <windows.h>

namespace quill {

// Replaces the window's border style bits by those of `border` and recalculates the frame.
void ApplyBorderStyle(HWND hwnd, int border);

}  // namespace quill
