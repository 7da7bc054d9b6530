// The window unit: a program's top-level window, class "QuillWindow" unless the window
// names a class of its own.
#pragma once

#include <string>

#include "ui/control.h"
#include "ui/props/window_props.h"

namespace quill {

class WindowUnit : public Control {
public:
    static Unit* Create(const UnitCreateArgs& args);
    static UnitRoutine Query(int entry);

    int SetOwn(int k, const PropValue& value) override;
    bool GetOwn(int k, PropValue* out) const override;
    std::string SerialiseOwn() const override { return props_.Write(); }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDestroyed() override;

private:
    bool Build(const UnitCreateArgs& args);
    void ApplyIcon();
    void PaintBackground(HDC dc);

    WindowProps props_;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
};

}  // namespace quill
