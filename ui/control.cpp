#include "ui/control.h"

#include <string>

#include "base/wide_text.h"
#include "runtime/frame.h"
#include "ui/accessible.h"
#include "runtime/cursor_blob.h"
#include "ui/gdi.h"
#include "ui/text_drawing.h"
#include "ui/window_unit.h"

namespace quill {

namespace {

// Registers the class once per process. Its windows are Unicode: their texts never pass
// through the system's ANSI code page.
void EnsureClass(const ControlClass& cls, const std::wstring& name) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (GetClassInfoExW(instance, name.c_str(), &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = cls.style;
    wc.lpfnWndProc = &Control::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = cls.cursor ? SystemCursor(cls.cursor) : nullptr;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = name.c_str();
    RegisterClassExW(&wc);
}

}  // namespace

Control* Control::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != &Control::WindowProc) return nullptr;
    return reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool Control::CreateControlWindow(const ControlClass& cls, DWORD exStyle, DWORD style, const char* text,
                                  const UnitCreateArgs& args) {
    SetIds(args);
    return CreateControlWindow(cls, exStyle, style, text, args.parent, args.left, args.top, args.width,
                               args.height, reinterpret_cast<HMENU>(static_cast<intptr_t>(args.controlId)));
}

bool Control::CreateControlWindow(const ControlClass& cls, DWORD exStyle, DWORD style, const char* text,
                                  HWND parent, int x, int y, int width, int height, HMENU menuOrId) {
    const std::wstring name = ToWide(cls.name);
    EnsureClass(cls, name);
    // A creation refused after WM_NCCREATE destroys the window before this returns; the
    // object is not the window's yet then, so it stays with the caller.
    HWND h = CreateWindowExW(exStyle, name.c_str(), ToWide(text ? text : "").c_str(), style, x, y, width, height,
                             parent, menuOrId, GetModuleHandleW(nullptr), this);
    windowOwns_ = h != nullptr;
    return windowOwns_;
}

bool Control::CreateSubclassedWindow(const wchar_t* systemClass, DWORD style, const UnitCreateArgs& args) {
    SetIds(args);
    HWND h = CreateWindowExW(0, systemClass, L"", style, args.left, args.top, args.width, args.height,
                             args.parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(args.controlId)),
                             GetModuleHandleW(nullptr), nullptr);
    if (!h) return false;
    Attach(h);
    // Set in the wide form, so the window stays a Unicode one.
    baseProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::WindowProc)));
    windowOwns_ = true;
    return true;
}

void Control::Attach(HWND hwnd) {
    hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK Control::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Control* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Control*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        if (self) self->Attach(hwnd);
    } else {
        self = reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);

    ++self->depth_;
    LRESULT result = 0;
    bool answered = false;
    switch (msg) {
    // Focus changes are sent, not posted, so the loop's pre-translation never sees them.
    // Only units the frame has registered raise events.
    case WM_SETFOCUS:
        if (LookupUnit(self->windowId_, self->unitId_) == self) self->RaiseEvent(kEventFocusGained);
        break;
    case WM_KILLFOCUS:
        if (LookupUnit(self->windowId_, self->unitId_) == self) self->RaiseEvent(kEventFocusLost);
        break;
    case WM_GETOBJECT: answered = AnswerGetObject(hwnd, wp, lp, &result); break;
    case kMsgReaderPress:
        self->Activate();
        answered = true;
        break;
    default:
        break;
    }
    if (!answered && !WindowUnit::TakesUnitInput(hwnd, msg, wp, lp)) result = self->OnMessage(msg, wp, lp);
    // What readers and the focus cue follow, unless the message took the window away.
    if (!self->gone_) self->AfterMessage(msg);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self->baseProc_) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->baseProc_));
        self->OnDestroyed();
        self->hwnd_ = nullptr;
        self->gone_ = true;
    }
    // Deleted only by the outermost message: a handler further up the stack (a click
    // whose event handler closed the window) still returns into a live object.
    if (--self->depth_ == 0 && self->gone_ && self->windowOwns_) delete self;
    return result;
}

LRESULT Control::OnMessage(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

void Control::AfterMessage(UINT msg) {
    switch (msg) {
    // The system itself tells readers where the focus went (EVENT_OBJECT_FOCUS).
    case WM_SETFOCUS:
    case WM_KILLFOCUS: RepaintFocusCue(); break;
    case WM_UPDATEUISTATE:
        if (GetFocus() == hwnd_) RepaintFocusCue();
        break;
    case WM_SETTEXT:
        if (readerName_.empty()) NotifyReaders(EVENT_OBJECT_NAMECHANGE, hwnd_);
        break;
    default: break;
    }
}

void Control::Describe(AccessibleFacts* facts) const { facts->name = ReaderName(); }

std::string Control::ReaderName() const { return readerName_.empty() ? FromWide(WindowText(hwnd_)) : readerName_; }

void Control::SetReaderName(const std::string& name) {
    if (name == readerName_) return;
    readerName_ = name;
    NotifyReaders(EVENT_OBJECT_NAMECHANGE, hwnd_);
}

void Control::ClickAtCentre(NotifyFn frame) {
    RECT r;
    GetClientRect(hwnd_, &r);
    const std::initializer_list<int32_t> args = {r.right / 2, r.bottom / 2, InputKeyState()};
    const auto raise = [&](int32_t event) { frame ? RaiseEventVia(frame, event, args) : RaiseEvent(event, args); };
    raise(kEventLButtonDown);
    // The press may have closed the window (its handler runs first, as for a click).
    if (hwnd_) raise(kEventLButtonUp);
}

bool Control::ShowsFocusCue() const {
    // The top-level window keeps the cue state of all its units.
    return GetFocus() == hwnd_ && !(SendMessageW(GetAncestor(hwnd_, GA_ROOT), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

bool Control::PaintMessage(UINT msg, WPARAM wp) {
    if (msg == WM_PAINT) {
        PaintScope ps(hwnd_);
        Paint(ps.dc(), ps.area());
        return true;
    }
    if (msg == WM_PRINTCLIENT) {
        RECT client;
        GetClientRect(hwnd_, &client);
        Paint(reinterpret_cast<HDC>(wp), client);
        return true;
    }
    return false;
}

void Control::OnDestroyed() {
    FrameNotify(kFrameUnitDestroyed, static_cast<intptr_t>(windowId_), static_cast<intptr_t>(unitId_), 0);
}

static bool Raise(NotifyFn frame, uint32_t windowId, uint32_t unitId, int32_t event,
                  std::initializer_list<int32_t> args, EventRecord* out) {
    EventRecord rec;
    rec.windowId = windowId;
    rec.unitId = unitId;
    rec.event = event;
    for (int32_t a : args) {
        if (rec.argCount == 5) break;
        rec.args[rec.argCount++] = a;
    }
    bool handled = frame ? frame(kFrameFireEvent, reinterpret_cast<intptr_t>(&rec), 0, 0) != 0 : FireEvent(rec);
    if (out) *out = rec;
    return handled;
}

bool Control::RaiseEvent(int32_t event, std::initializer_list<int32_t> args, EventRecord* out) {
    return Raise(nullptr, windowId_, unitId_, event, args, out);
}

bool Control::RaiseEventVia(NotifyFn frame, int32_t event, std::initializer_list<int32_t> args,
                            EventRecord* out) {
    if (!frame) return false;
    return Raise(frame, windowId_, unitId_, event, args, out);
}

}  // namespace quill
