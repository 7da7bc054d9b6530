#include "ui/border_style.h"

namespace quill {

void ApplyBorderStyle(HWND hwnd, int border) {
    constexpr LONG_PTR kBorderExBits = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;  // 0x00020201
    LONG_PTR ex = GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & ~kBorderExBits;
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER);
    switch (border) {
    case 1: ex |= WS_EX_CLIENTEDGE; break;
    case 2: ex |= WS_EX_DLGMODALFRAME; break;
    case 3: ex |= WS_EX_STATICEDGE; break;
    case 4: ex |= WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME; break;
    case 5: style |= WS_BORDER; break;
    default: break;
    }
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, ex);
    SetWindowLongPtrW(hwnd, GWL_STYLE, style);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

}  // namespace quill
