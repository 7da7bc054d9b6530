// Base of every unit that owns a window of its own class: the window procedure keeps
// `this` in the window's user data and hands each message to one virtual handler.
#pragma once

#include <windows.h>

#include "runtime/unit.h"

namespace quill {

struct ControlClass {
    const char* name;
    UINT style;
    LPCSTR cursor;  // a system cursor id, or null for none
};

class Control : public Unit {
public:
    // The window procedure of every class registered through CreateControlWindow.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // The control object of a window of one of these classes, or null.
    static Control* FromHandle(HWND hwnd);

protected:
    // Registers the class once per process and creates the window at the args' rectangle
    // as a child (or top-level when `style` has no WS_CHILD) of args.parent.
    bool CreateControlWindow(const ControlClass& cls, DWORD exStyle, DWORD style, const char* text,
                             const UnitCreateArgs& args);
    bool CreateControlWindow(const ControlClass& cls, DWORD exStyle, DWORD style, const char* text,
                             HWND parent, int x, int y, int width, int height, HMENU menuOrId);

    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Draws the control: `area` is the part to paint (the whole client area when printing).
    virtual void Paint(HDC dc, const RECT& area) {
        (void)dc;
        (void)area;
    }
    // WM_PAINT and WM_PRINTCLIENT both end in Paint; true when `msg` was one of them.
    bool PaintMessage(UINT msg, WPARAM wp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd_, msg, wp, lp); }
    // The window is gone: tell the frame (service 2000). Override to route it through a
    // component's own notification entry.
    virtual void OnDestroyed();
    // Raises a unit event with up to five arguments through the frame.
    bool RaiseEvent(int32_t event, std::initializer_list<int32_t> args = {}, EventRecord* out = nullptr);
    // Same, through a component's stored frame entry (components other than the core).
    bool RaiseEventVia(NotifyFn frame, int32_t event, std::initializer_list<int32_t> args = {},
                       EventRecord* out = nullptr);

    void SetIds(const UnitCreateArgs& args) {
        windowId_ = args.windowId;
        unitId_ = args.unitId;
    }
};

}  // namespace quill
