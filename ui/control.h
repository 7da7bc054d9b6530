// Base of every unit that owns a window: the window procedure keeps `this` in the window's
// user data and hands each message to one virtual handler. A control is owned by whoever
// created it until its window exists, and by its window from then on: it is deleted once
// the window is gone and the outermost message of that window has returned, so no handler
// of its own is still running when it goes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "runtime/unit.h"

namespace quill {

struct ControlClass {
    const char* name;  // a text of the system (a window may name its class in the template)
    UINT style;
    LPCSTR cursor;  // a system cursor id, or null for none
};

struct AccessibleFacts;

class Control : public Unit {
public:
    // The window procedure of every class registered through CreateControlWindow.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // The control object of a window of one of these classes, or null.
    static Control* FromHandle(HWND hwnd);

    // What a screen reader is told about the control (ui/accessible.h). By default a plain
    // client area named by its reader name, else by its window text.
    virtual void Describe(AccessibleFacts* facts) const;
    // A press of the control from the keyboard or by a reader: what a click on it does.
    // False when the control has nothing to press.
    virtual bool Activate() { return false; }
    void SetReaderName(const std::string& name);

protected:
    // Creates the window of a new control (the arguments of CreateControlWindow). From
    // then on the window owns the control; a control that got no window is deleted here.
    // The control, or null.
    template <class T, class... Args>
    static T* WithWindow(std::unique_ptr<T> control, Args&&... args) {
        Control* c = control.get();
        return c->CreateControlWindow(std::forward<Args>(args)...) ? control.release() : nullptr;
    }
    // Same for a window of a class the system registered, whose messages then pass through
    // OnMessage; Default hands them on to the class's own procedure.
    template <class T>
    static T* WithSystemWindow(std::unique_ptr<T> control, const wchar_t* systemClass, DWORD style,
                               const UnitCreateArgs& args) {
        Control* c = control.get();
        return c->CreateSubclassedWindow(systemClass, style, args) ? control.release() : nullptr;
    }

    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Draws the control: `area` is the part to paint (the whole client area when printing).
    virtual void Paint(HDC dc, const RECT& area) {
        (void)dc;
        (void)area;
    }
    // WM_PAINT and WM_PRINTCLIENT both end in Paint; true when `msg` was one of them.
    bool PaintMessage(UINT msg, WPARAM wp);
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) {
        return baseProc_ ? CallWindowProcW(baseProc_, hwnd_, msg, wp, lp) : DefWindowProcW(hwnd_, msg, wp, lp);
    }
    // The window is gone: tell the frame (kFrameUnitDestroyed). Override to route it through a
    // component's own notification entry.
    virtual void OnDestroyed();
    // Raises a unit event with up to five arguments through the frame.
    bool RaiseEvent(int32_t event, std::initializer_list<int32_t> args = {}, EventRecord* out = nullptr);
    // Same, through a component's stored frame entry (components other than the core).
    bool RaiseEventVia(NotifyFn frame, int32_t event, std::initializer_list<int32_t> args = {},
                       EventRecord* out = nullptr);

    // True while the control has the focus and the window shows focus cues, which it does
    // only once the keyboard has been used (as the system's own controls do).
    bool ShowsFocusCue() const;
    // The focus came or went, or the window's cues were shown: the cue has to be drawn anew.
    virtual void RepaintFocusCue() { InvalidateRect(hwnd_, nullptr, FALSE); }
    // The reader name, else the window text.
    std::string ReaderName() const;
    // A press from the keyboard on a control that has no click of its own: the left-button
    // press and release events a click at its centre raises (through `frame`, or the core's
    // fire-event service when null). Handlers bound to a click run as for one.
    void ClickAtCentre(NotifyFn frame = nullptr);

    void SetIds(const UnitCreateArgs& args) {
        windowId_ = args.windowId;
        unitId_ = args.unitId;
    }

private:
    // Registers the class once per process and creates the window at the args' rectangle
    // as a child (or top-level when `style` has no WS_CHILD) of args.parent.
    bool CreateControlWindow(const ControlClass& cls, DWORD exStyle, DWORD style, const char* text,
                             const UnitCreateArgs& args);
    bool CreateControlWindow(const ControlClass& cls, DWORD exStyle, DWORD style, const char* text,
                             HWND parent, int x, int y, int width, int height, HMENU menuOrId);
    bool CreateSubclassedWindow(const wchar_t* systemClass, DWORD style, const UnitCreateArgs& args);
    void Attach(HWND hwnd);
    void AfterMessage(UINT msg);

    std::string readerName_;      // empty: readers get the window text
    WNDPROC baseProc_ = nullptr;  // the system class's procedure of a subclassed window
    bool windowOwns_ = false;     // the window exists and owns this object
    bool gone_ = false;           // WM_NCDESTROY has been handled
    int depth_ = 0;               // messages of this window being handled right now
};

}  // namespace quill
