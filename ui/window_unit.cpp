#include "ui/window_unit.h"

#include <utility>

#include "runtime/frame.h"
#include "runtime/runtime_state.h"
#include "ui/accessible.h"
#include "ui/gdi.h"
#include "ui/own_property.h"
#include "ui/text_drawing.h"

namespace quill {

namespace {

// Caption, system menu and the two boxes: after creation exactly what the properties ask.
constexpr DWORD kFrameStyleMask = 0x00CB0000;
// A later change of border also has to take a sizing frame away again.
constexpr DWORD kLiveFrameStyleMask = kFrameStyleMask | WS_THICKFRAME;
constexpr DWORD kBorderExStyles = WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE;
constexpr UINT kMsgAllUnitsExist = 0x806F;
constexpr UINT kMsgWindowReady = 0x8004;

bool Resizable(int border) {
    return border == WindowIndex::kResizable || border == WindowIndex::kNarrowResizable ||
           border == WindowIndex::kFramedResizable;
}

DWORD StyleFor(const WindowProps& p, bool topLevel) {
    DWORD style = 0;
    if (p.border != WindowIndex::kNoBorder) {
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
    if (p.border == WindowIndex::kNarrowResizable || p.border == WindowIndex::kNarrowFixed) ex |= WS_EX_TOOLWINDOW;
    if (p.border == WindowIndex::kFramedResizable || p.border == WindowIndex::kFramedFixed) ex |= WS_EX_CLIENTEDGE;
    return ex;
}

HICON LoadDefaultIcon(int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"DEFAULT_ICON", IMAGE_ICON, size, size, 0));
}

// The outline of a shaped window in its own coordinates; null for the rectangle. Of the
// shapes the property allows, an ellipse and a rounded rectangle are drawn; the others
// have no outline defined and stay rectangular.
HRGN ShapeRegion(int shape, int w, int h) {
    switch (shape) {
    case 1: return CreateEllipticRgn(0, 0, w + 1, h + 1);
    case 2: return CreateRoundRectRgn(0, 0, w + 1, h + 1, w / 4, h / 4);
    default: return nullptr;
    }
}

BOOL CALLBACK TellUiState(HWND child, LPARAM change) {
    SendMessageW(child, WM_UPDATEUISTATE, static_cast<WPARAM>(change), 0);
    return TRUE;
}

}  // namespace

Unit* WindowUnit::Create(const UnitCreateArgs& args) {
    auto w = std::make_unique<WindowUnit>();
    if (!w->props_.Read(args.ownProperties, args.ownPropertiesSize)) return nullptr;
    WindowUnit* raw = w.get();
    // The window is built in two steps (creation, then what needs the handle); the object
    // is the window's from the first on.
    const WindowProps& p = raw->props_;
    DWORD style = args.style | WS_CLIPCHILDREN | StyleFor(p, true);
    DWORD ex = ExStyleFor(p);
    int x = args.left, y = args.top;
    if (p.position == kCentred) {
        x = (GetSystemMetrics(SM_CXSCREEN) - args.width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - args.height) / 2;
    } else if (p.position == kMinimised) {
        style |= WS_MINIMIZE;
    } else if (p.position == kMaximised && Resizable(p.border)) {
        style |= WS_MAXIMIZE;
    }
    if (p.topmost) ex |= WS_EX_TOPMOST;
    HWND owner = args.parent;
    raw->ownerGiven_ = owner != nullptr;
    // A window without an owner of its own gets a task-bar button; one owned by the
    // runtime's hidden window does not.
    if (!p.inTaskbar && !owner) owner = RuntimeMessageWindow();

    const std::string className = p.className.empty() ? "QuillWindow" : p.className;
    const ControlClass cls{className.c_str(), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, IDC_ARROW};
    raw->SetIds(args);
    if (!WithWindow(std::move(w), cls, ex, style, p.caption.c_str(), owner, x, y, args.width, args.height,
                    static_cast<HMENU>(nullptr)))
        return nullptr;
    raw->Build(args);
    return raw;
}

void WindowUnit::Build(const UnitCreateArgs& args) {
    // The window procedure adds frame bits of its own; keep exactly what the border asks.
    LONG current = GetWindowLongW(hwnd_, GWL_STYLE);
    LONG wanted = (current & ~static_cast<LONG>(kFrameStyleMask)) |
                  static_cast<LONG>(StyleFor(props_, true) & kFrameStyleMask);
    if (wanted != current) {
        SetWindowLongW(hwnd_, GWL_STYLE, wanted);
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!IsIconic(hwnd_) && !IsZoomed(hwnd_)) {
        RECT r;
        GetWindowRect(hwnd_, &r);
        if (r.right - r.left != args.width || r.bottom - r.top != args.height)
            SetWindowPos(hwnd_, nullptr, r.left, r.top, args.width, args.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ApplyIcon();
    ApplyShape();
    // Background music is kept with the properties only: nothing here plays sound.
    picture_ = Picture::Decode(props_.picture);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (props_.topmost) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!props_.movable) ApplyMovable();
}

void WindowUnit::ApplyFrame() {
    const LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    const LONG ex = GetWindowLongW(hwnd_, GWL_EXSTYLE);
    const LONG wantedStyle = (style & ~static_cast<LONG>(kLiveFrameStyleMask)) |
                             static_cast<LONG>(StyleFor(props_, true) & kLiveFrameStyleMask);
    const LONG wantedEx = (ex & ~static_cast<LONG>(kBorderExStyles)) | static_cast<LONG>(ExStyleFor(props_));
    if (wantedStyle == style && wantedEx == ex) return;
    SetWindowLongW(hwnd_, GWL_STYLE, wantedStyle);
    SetWindowLongW(hwnd_, GWL_EXSTYLE, wantedEx);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowUnit::ApplyIcon() {
    // The window's own icon property first; without one, the program's icon group.
    const int big = GetSystemMetrics(SM_CXICON), small = GetSystemMetrics(SM_CXSMICON);
    HICON b = props_.icon.empty() ? nullptr : IconFromPicture(props_.icon, big);
    HICON s = props_.icon.empty() ? nullptr : IconFromPicture(props_.icon, small);
    if (!b) b = LoadDefaultIcon(big);
    if (!s) s = LoadDefaultIcon(small);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(b));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(s));
    // Destroyed only now that the window no longer shows them.
    bigIcon_.reset(b);
    smallIcon_.reset(s);
}

void WindowUnit::ApplyShape() {
    RECT r;
    GetWindowRect(hwnd_, &r);
    HRGN region = ShapeRegion(props_.shape, r.right - r.left, r.bottom - r.top);
    if (!SetWindowRgn(hwnd_, region, TRUE) && region) DeleteObject(region);
}

void WindowUnit::ApplyMovable() {
    // The default menu first, so a window made movable again gets its move entry back.
    GetSystemMenu(hwnd_, TRUE);
    if (props_.movable) return;
    if (HMENU menu = GetSystemMenu(hwnd_, FALSE)) RemoveMenu(menu, SC_MOVE, MF_BYCOMMAND);
}

void WindowUnit::ApplyPosition() {
    switch (props_.position) {
    case kCentred: {
        RECT r;
        GetWindowRect(hwnd_, &r);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                     0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    }
    case kMinimised:
        if (IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_MINIMIZE);
        break;
    case kMaximised:
        if (IsWindowVisible(hwnd_) && Resizable(props_.border)) ShowWindow(hwnd_, SW_MAXIMIZE);
        break;
    default:
        break;
    }
}

void WindowUnit::ApplyTaskbar() {
    if (ownerGiven_) return;
    // The owner of a top-level window decides whether it has a task-bar button.
    HWND owner = props_.inTaskbar ? nullptr : RuntimeMessageWindow();
    SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

void WindowUnit::PaintBackground(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    const COLORREF colour = props_.background == WindowProps::kDefaultColour
                                ? GetSysColor(COLOR_BTNFACE)
                                : static_cast<COLORREF>(props_.background & 0x00FFFFFF);
    Brush brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
    if (picture_.empty()) return;
    const int pw = picture_.width(), ph = picture_.height();
    switch (props_.pictureMode) {
    case kPictureTopLeft: picture_.Draw(dc, 0, 0); break;
    case kPictureCentred: picture_.Draw(dc, (r.right - pw) / 2, (r.bottom - ph) / 2); break;
    case kPictureStretched: picture_.Draw(dc, 0, 0, r.right, r.bottom); break;
    default:
        for (LONG y = 0; y < r.bottom; y += ph)
            for (LONG x = 0; x < r.right; x += pw) picture_.Draw(dc, x, y);
        break;
    }
}

bool WindowUnit::BeginDrag() {
    if (!props_.dragAnywhere) return false;
    // The press becomes one on the caption, so the system moves the window.
    ReleaseCapture();
    POINT pt;
    GetCursorPos(&pt);
    PostMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(pt.x, pt.y));
    return true;
}

bool WindowUnit::OnKey(UINT msg, WPARAM key, LPARAM lp) {
    const HWND focus = GetFocus();
    if (msg == WM_KEYUP) {
        if (key != VK_SPACE || !spacePressed_) return false;
        const HWND pressed = std::exchange(spacePressed_, nullptr);
        if (pressed == focus)
            if (Control* c = Control::FromHandle(pressed)) c->Activate();
        return true;
    }
    if (key == VK_RETURN && props_.enterMovesFocus) {
        FocusNextUnit(true);
        return true;
    }
    if (key == VK_ESCAPE && props_.escCloses) {
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return true;
    }
    // The dialog keys, unless Ctrl or Alt make them a shortcut of someone else's.
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    Control* focused = focus && IsChild(hwnd_, focus) ? Control::FromHandle(focus) : nullptr;
    switch (key) {
    case VK_TAB:
        // Like the system's dialogs, the focus shows from the first move on.
        SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        return FocusNextUnit(GetKeyState(VK_SHIFT) >= 0);
    case VK_RETURN: {
        constexpr LPARAM kKeyWasDown = 1 << 30;  // a held key repeats: one press per press
        Control* fallback = DefaultUnit();
        if ((lp & kKeyWasDown) && (focused || fallback)) return true;
        if (focused && focused->Activate()) return true;
        return fallback && fallback->Activate();
    }
    case VK_SPACE:
        // Pressed when it comes up again, as the system's buttons are.
        if (!focused) return false;
        spacePressed_ = focus;
        return true;
    default:
        return false;
    }
}

bool WindowUnit::FocusNextUnit(bool forward) {
    LoadedWindow* w = FindWindowByHandle(hwnd_);
    if (!w || w->units.size() < 2) return false;
    // Units 1..count in list order, from the one after (or before) the focused unit round
    // to it; with none focused, from the first (or the last).
    const long count = static_cast<long>(w->units.size()) - 1;
    const auto window = [&](long i) {
        const Unit* u = w->units[static_cast<size_t>(i) + 1].unit;
        return u ? u->hwnd() : nullptr;
    };
    const HWND focus = GetFocus();
    long from = forward ? -1 : count;
    for (long i = 0; i < count; ++i)
        if (focus && window(i) == focus) from = i;
    for (long step = 1; step <= count; ++step) {
        HWND h = window(((from + (forward ? step : -step)) % count + count) % count);
        if (h && SeenByUser(h) && IsWindowEnabled(h) && (GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP)) {
            SetFocus(h);
            return true;
        }
    }
    return false;
}

Control* WindowUnit::DefaultUnit() const {
    LoadedWindow* w = FindWindowByHandle(hwnd_);
    if (!w) return nullptr;
    for (size_t i = 1; i < w->units.size(); ++i) {
        const LoadedUnit& u = w->units[i];
        if (!(u.record->flags & kUnitDefault) || !u.unit) continue;
        HWND h = u.unit->hwnd();
        return h && SeenByUser(h) && IsWindowEnabled(h) ? Control::FromHandle(h) : nullptr;
    }
    return nullptr;
}

bool WindowUnit::RestoreFocus() {
    // Back to the unit that had the focus when the window went inactive, as a dialog does;
    // the first time, to the default unit.
    HWND target = lastFocus_;
    if (!target || !IsChild(hwnd_, target) || !SeenByUser(target) || !IsWindowEnabled(target)) {
        const Control* d = DefaultUnit();
        target = d ? d->hwnd() : nullptr;
    }
    if (!target) return false;
    SetFocus(target);
    return true;
}

void WindowUnit::ChangeUiState(WORD action, WORD flags) {
    const WORD before = uiState_;
    if (action == UIS_SET) uiState_ |= flags;
    if (action == UIS_CLEAR) uiState_ &= static_cast<WORD>(~flags);
    if (uiState_ == before) return;
    // Every unit hears of it, as from the system, and draws its cue anew when it has the focus.
    EnumChildWindows(hwnd_, &TellUiState, static_cast<LPARAM>(MAKEWPARAM(action, flags)));
}

bool WindowUnit::TakesUnitInput(HWND unitWindow, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_LBUTTONDOWN && msg != WM_KEYDOWN && msg != WM_KEYUP) return false;
    LoadedWindow* w = nullptr;
    LoadedUnit* u = FindUnitByHandle(unitWindow, &w);
    if (!u || u == &w->units[0]) return false;  // the window answers its own input
    auto* window = dynamic_cast<WindowUnit*>(w->units[0].unit);
    if (!window) return false;
    if (msg != WM_LBUTTONDOWN) return window->OnKey(msg, wp, lp);
    return u->type && (u->type->flags & kTypeDraggable) && window->BeginDrag();
}

LRESULT WindowUnit::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wp));
        return 1;
    case WM_SIZE:
        if (props_.pictureMode == kPictureCentred || props_.pictureMode == kPictureStretched)
            InvalidateRect(hwnd_, nullptr, TRUE);
        if (props_.shape != 0) ApplyShape();
        RaiseEvent(kWindowResized);
        break;
    case WM_SETCURSOR:
        if (ApplyUnitCursor(hwnd_, reinterpret_cast<HWND>(wp)) && LOWORD(lp) == HTCLIENT) return TRUE;
        break;
    case WM_CLOSE:
    case WM_QUERYENDSESSION: {
        // A handler of "may close" that returns 0 keeps the window; otherwise it goes,
        // also when the session ends.
        EventRecord rec;
        const bool handled = RaiseEvent(kWindowMayClose, {}, &rec);
        if (handled && rec.hasResult && rec.result == 0) return msg == WM_QUERYENDSESSION ? FALSE : 0;
        DestroyWindow(hwnd_);
        return msg == WM_QUERYENDSESSION ? TRUE : 0;
    }
    case WM_MOVE:
        RaiseEvent(kWindowMoved);
        break;
    case WM_SHOWWINDOW:
        RaiseEvent(wp ? kWindowShown : kWindowHidden);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (OnKey(msg, wp, lp)) return 0;
        break;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        } else if (!HIWORD(wp) && RestoreFocus()) {
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        if (BeginDrag()) return 0;
        break;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_MOVE && !props_.movable) return 0;
        break;
    case WM_NCACTIVATE:
        // A window that keeps its title bar active draws it so even when it loses focus.
        if (props_.keepTitleActive) return Default(msg, TRUE, lp);
        break;
    case WM_CHANGEUISTATE:
        ChangeUiState(LOWORD(wp), HIWORD(wp));
        return 0;
    case WM_QUERYUISTATE:
        return uiState_;
    case kMsgAllUnitsExist:
    case kMsgWindowReady:
        return 0;
    default:
        break;
    }
    return Default(msg, wp, lp);
}

void WindowUnit::OnDestroyed() {
    OnWindowDestroyed(windowId_);
}

int WindowUnit::SetOwn(int k, const PropValue& v) {
    const Stored stored = StoreOwnField(&props_, k, v);
    if (stored != Stored::Changed) return 0;
    switch (k) {
    case kCaption:
        SetWindowTextOf(hwnd_, props_.caption);
        ApplyFrame();  // an empty caption may take the caption bar away
        break;
    case kBorder:
    case kControlBox:
    case kMaxButton:
    case kMinButton:
        ApplyFrame();
        break;
    case kBackground:
    case kPictureMode:
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case kPicture:
        picture_ = Picture::Decode(props_.picture);
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case kPosition: ApplyPosition(); break;
    case kMovable: ApplyMovable(); break;
    case kIcon: ApplyIcon(); break;
    case kInTaskbar: ApplyTaskbar(); break;
    case kShape: ApplyShape(); break;
    case kTopmost:
        SetWindowPos(hwnd_, props_.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
    case kKeepTitleActive:
        SendMessageW(hwnd_, WM_NCACTIVATE, GetActiveWindow() == hwnd_ ? TRUE : FALSE, 0);
        break;
    // Read when they are used (keys, dragging); nothing to apply now.
    case kEnterMovesFocus:
    case kEscCloses:
    case kDragAnywhere:
        break;
    // Kept with the properties only: nothing here plays music, opens help files or looks
    // at the class name after the window exists.
    case kMusic:
    case kMusicCount:
    case kF1Help:
    case kHelpFile:
    case kHelpContext:
    case kClassName:
        break;
    default:
        break;
    }
    return 0;
}

bool WindowUnit::GetOwn(int k, PropValue* out) const { return GetOwnField(props_, k, out); }

std::string WindowUnit::StoredIcon(const uint8_t* ownProperties, size_t size) {
    WindowProps props;
    return props.Read(ownProperties, size) ? props.icon : std::string();
}

void WindowUnit::ListTexts(const uint8_t* ownProperties, size_t size, TextVisitor visit, void* context) {
    WindowProps props;
    if (!props.Read(ownProperties, size)) return;
    visit(props.caption, context);
    visit(props.helpFile, context);
    visit(props.className, context);
}

UnitRoutine WindowUnit::Query(int entry) {
    switch (entry) {
    case kEntryIcon: return reinterpret_cast<UnitRoutine>(static_cast<UnitIconFn>(&WindowUnit::StoredIcon));
    case kEntryListTexts:
        return reinterpret_cast<UnitRoutine>(static_cast<UnitListTextsFn>(&WindowUnit::ListTexts));
    default: return UnitQuery<WindowUnit>::Query(entry);
    }
}

}  // namespace quill
