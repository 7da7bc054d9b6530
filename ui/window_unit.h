// The window unit: a program's top-level window, class "QuillWindow" unless the window
// names a class of its own. Its own properties shape the frame (border, caption, boxes),
// the background (colour and picture), the placement, the icon and how it may be moved
// and closed.
#pragma once

#include <string>

#include "ui/control.h"
#include "ui/picture.h"
#include "ui/props/window_props.h"

namespace quill {

class WindowUnit : public Control, public WindowIndex {
public:
    static Unit* Create(const UnitCreateArgs& args);
    static UnitRoutine Query(int entry);
    // UnitInterface entry 7: the icon bytes of stored own properties (empty when none).
    static std::string StoredIcon(const uint8_t* ownProperties, size_t size);
    // UnitInterface entry 9.
    static void ListTexts(const uint8_t* ownProperties, size_t size, TextVisitor visit, void* context);
    // Input of a unit window on a loaded window that the window takes over: a press on a
    // unit of a draggable type when the window moves by dragging, and the keys the window
    // answers (Enter moves focus, Esc closes, and the dialog keys: Tab and Shift+Tab move
    // the focus through the units that are tab stops, Return presses the focused unit or
    // else the default one, Space presses the focused unit). True when the unit must not
    // see `msg`.
    static bool TakesUnitInput(HWND unitWindow, UINT msg, WPARAM wp, LPARAM lp);

    int SetOwn(int k, const PropValue& value) override;
    bool GetOwn(int k, PropValue* out) const override;
    std::string SerialiseOwn() const override { return props_.Write(); }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDestroyed() override;

private:
    void Build(const UnitCreateArgs& args);
    void ApplyFrame();
    void ApplyIcon();
    void ApplyShape();
    void ApplyMovable();
    void ApplyPosition();
    void ApplyTaskbar();
    void PaintBackground(HDC dc);
    bool BeginDrag();
    bool OnKey(UINT msg, WPARAM key, LPARAM lp);
    bool FocusNextUnit(bool forward);
    Control* DefaultUnit() const;
    bool RestoreFocus();
    void ChangeUiState(WORD action, WORD flags);

    WindowProps props_;
    Picture picture_;
    IconHandle bigIcon_, smallIcon_;
    bool ownerGiven_ = false;  // created with an owner of its own
    HWND lastFocus_ = nullptr;     // the unit that had the focus when the window went inactive
    HWND spacePressed_ = nullptr;  // the unit Space went down on, pressed when it comes up
    // The window's focus and accelerator cues (WM_QUERYUISTATE), kept here for every unit:
    // hidden until the keyboard moves the focus, whatever the system's setting, so a user
    // of the mouse sees the window as it always looked.
    WORD uiState_ = UISF_HIDEFOCUS | UISF_HIDEACCEL;
};

}  // namespace quill
