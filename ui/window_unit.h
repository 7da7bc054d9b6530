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
    // answers (Enter moves focus, Esc closes). True when the unit must not see `msg`.
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
    bool OnKey(WPARAM key);
    void FocusNextUnit();

    WindowProps props_;
    Picture picture_;
    IconHandle bigIcon_, smallIcon_;
    bool ownerGiven_ = false;  // created with an owner of its own
};

}  // namespace quill
