#include "ui/control.h"

#include <string>

#include "runtime/frame.h"
#include "ui/gdi.h"

namespace quill {

namespace {

void EnsureClass(const ControlClass& cls) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof(existing);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoExA(instance, cls.name, &existing)) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = cls.style;
    wc.lpfnWndProc = &Control::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = cls.cursor ? LoadCursorA(nullptr, cls.cursor) : nullptr;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = cls.name;
    RegisterClassExA(&wc);
}

}  // namespace

Control* Control::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) != &Control::WindowProc) return nullptr;
    return reinterpret_cast<Control*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

bool Control::CreateControlWindow(const ControlClass& cls, DWORD exStyle, DWORD style, const char* text,
                                  const UnitCreateArgs& args) {
    SetIds(args);
    return CreateControlWindow(cls, exStyle, style, text, args.parent, args.left, args.top, args.width,
                               args.height, reinterpret_cast<HMENU>(static_cast<intptr_t>(args.controlId)));
}

bool Control::CreateControlWindow(const ControlClass& cls, DWORD exStyle, DWORD style, const char* text,
                                  HWND parent, int x, int y, int width, int height, HMENU menuOrId) {
    EnsureClass(cls);
    HWND h = CreateWindowExA(exStyle, cls.name, text ? text : "", style, x, y, width, height, parent, menuOrId,
                             GetModuleHandleA(nullptr), this);
    return h != nullptr;
}

LRESULT CALLBACK Control::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Control* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        self = static_cast<Control*>(cs->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<Control*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);

    switch (msg) {
    // Focus changes are sent, not posted, so the loop's pre-translation never sees them.
    // Only units the frame has registered raise events.
    case WM_SETFOCUS:
        if (LookupUnit(self->windowId_, self->unitId_) == self) self->RaiseEvent(kEventFocusGained);
        break;
    case WM_KILLFOCUS:
        if (LookupUnit(self->windowId_, self->unitId_) == self) self->RaiseEvent(kEventFocusLost);
        break;
    default:
        break;
    }
    LRESULT result = self->OnMessage(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->OnDestroyed();
        self->hwnd_ = nullptr;
        delete self;
    }
    return result;
}

LRESULT Control::OnMessage(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

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
