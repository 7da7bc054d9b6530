#include "ui/window_unit.h"

#include "runtime/frame.h"
#include "runtime/runtime_state.h"

namespace quill {

namespace {

constexpr DWORD kFrameStyleMask = 0x00CB0000;  // caption, system menu, frame, min/max boxes

bool Resizable(int border) { return border == 1 || border == 3 || border == 5; }

DWORD StyleFor(const WindowProps& p, bool topLevel) {
    DWORD style = 0;
    if (p.border != 0) {
        if (!p.caption.empty() || p.controlBox) style |= WS_CAPTION;
        if (p.controlBox) style |= WS_SYSMENU;
        if (topLevel) style |= WS_DLGFRAME;
        if (Resizable(p.border)) style |= WS_THICKFRAME;
    }
    if (p.maxButton) style |= WS_MAXIMIZEBOX;
    if (p.minButton) style |= WS_MINIMIZEBOX;
    return style;
}

DWORD ExStyleFor(const WindowProps& p) {
    DWORD ex = 0;
    if (p.border == 3 || p.border == 4) ex |= WS_EX_TOOLWINDOW;
    if (p.border == 5 || p.border == 6) ex |= WS_EX_CLIENTEDGE;
    return ex;
}

HICON LoadDefaultIcon(int size) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "DEFAULT_ICON", IMAGE_ICON, size, size, 0));
}

}  // namespace

Unit* WindowUnit::Create(const UnitCreateArgs& args) {
    auto* w = new WindowUnit;
    if (!w->props_.Read(args.ownProperties, args.ownPropertiesSize) || !w->Build(args)) {
        delete w;
        return nullptr;
    }
    return w;
}

bool WindowUnit::Build(const UnitCreateArgs& args) {
    const WindowProps& p = props_;
    const bool topLevel = true;
    DWORD style = args.style | WS_CLIPCHILDREN | StyleFor(p, topLevel);
    DWORD ex = ExStyleFor(p);
    int x = args.left, y = args.top;
    if (p.position == 1) {
        x = (GetSystemMetrics(SM_CXSCREEN) - args.width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - args.height) / 2;
    } else if (p.position == 2) {
        style |= WS_MINIMIZE;
    } else if (p.position == 3 && Resizable(p.border)) {
        style |= WS_MAXIMIZE;
    }
    if (p.topmost) ex |= WS_EX_TOPMOST;
    HWND owner = args.parent;
    if (!p.inTaskbar && !owner) owner = RuntimeMessageWindow();

    const std::string className = p.className.empty() ? "QuillWindow" : p.className;
    const ControlClass cls{className.c_str(), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, IDC_ARROW};
    SetIds(args);
    if (!CreateControlWindow(cls, ex, style, p.caption.c_str(), owner, x, y, args.width, args.height, nullptr))
        return false;

    // The window procedure adds frame bits of its own; keep exactly what the border asks.
    LONG current = GetWindowLongA(hwnd_, GWL_STYLE);
    LONG wanted = (current & ~static_cast<LONG>(kFrameStyleMask)) | static_cast<LONG>(StyleFor(p, topLevel) & kFrameStyleMask);
    if (wanted != current) {
        SetWindowLongA(hwnd_, GWL_STYLE, wanted);
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT r;
    GetWindowRect(hwnd_, &r);
    if (r.right - r.left != args.width || r.bottom - r.top != args.height)
        SetWindowPos(hwnd_, nullptr, x, y, args.width, args.height, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyIcon();
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (p.topmost) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!p.movable) {
        if (HMENU menu = GetSystemMenu(hwnd_, FALSE)) RemoveMenu(menu, SC_MOVE, MF_BYCOMMAND);
    }
    return true;
}

void WindowUnit::ApplyIcon() {
    // The window's own icon property is not used by any window here; the program's icon
    // group gives both sizes.
    bigIcon_ = LoadDefaultIcon(GetSystemMetrics(SM_CXICON));
    smallIcon_ = LoadDefaultIcon(GetSystemMetrics(SM_CXSMICON));
    if (bigIcon_) SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    if (smallIcon_) SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void WindowUnit::PaintBackground(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    const COLORREF colour =
        props_.background == 0xFF000000 ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(props_.background);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

LRESULT WindowUnit::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wp));
        return 1;
    case WM_SETCURSOR:
        if (ApplyUnitCursor(hwnd_, reinterpret_cast<HWND>(wp)) && LOWORD(lp) == HTCLIENT) return TRUE;
        break;
    case WM_CLOSE:
    case WM_QUERYENDSESSION: {
        EventRecord rec;
        const bool handled = RaiseEvent(kWindowMayClose, {}, &rec);
        if (handled && rec.hasResult && rec.result == 0) return msg == WM_QUERYENDSESSION ? FALSE : 0;
        if (msg == WM_QUERYENDSESSION) return TRUE;
        DestroyWindow(hwnd_);
        return 0;
    }
    case WM_MOVE:
        RaiseEvent(kWindowMoved);
        break;
    case WM_SIZE:
        RaiseEvent(kWindowResized);
        break;
    case WM_SHOWWINDOW:
        RaiseEvent(wp ? kWindowShown : kWindowHidden);
        break;
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE && props_.escCloses) {
            PostMessageA(hwnd_, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        if (props_.dragAnywhere) {
            ReleaseCapture();
            PostMessageA(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, lp);
            return 0;
        }
        break;
    case 0x806F:
    case 0x8004:
        return 0;
    default:
        break;
    }
    return Default(msg, wp, lp);
}

void WindowUnit::OnDestroyed() {
    if (bigIcon_) DestroyIcon(bigIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
    bigIcon_ = smallIcon_ = nullptr;
    OnWindowDestroyed(windowId_);
}

int WindowUnit::SetOwn(int k, const PropValue& v) {
    switch (k) {
    case 0:
        props_.caption = v.s;
        SetWindowTextA(hwnd_, props_.caption.c_str());
        break;
    case 2:
        props_.background = static_cast<uint32_t>(v.i);
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case 14:
        props_.escCloses = v.i;
        break;
    case 19:
        props_.dragAnywhere = v.i;
        break;
    default:
        break;
    }
    return 0;
}

bool WindowUnit::GetOwn(int k, PropValue* out) const {
    switch (k) {
    case 0: *out = PropValue::OfText(props_.caption); return true;
    case 1: *out = PropValue::Integer(props_.border); return true;
    case 2: *out = PropValue::Integer(static_cast<int32_t>(props_.background)); return true;
    case 10: *out = PropValue::Integer(props_.position); return true;
    case 14: *out = PropValue::Integer(props_.escCloses); return true;
    case 19: *out = PropValue::Integer(props_.dragAnywhere); return true;
    default: return false;
    }
}

UnitRoutine WindowUnit::Query(int entry) { return UnitQuery<WindowUnit>::Query(entry); }

}  // namespace quill
