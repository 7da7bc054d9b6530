// Label: an opaque rectangle (background colour, optional picture or gradient, optional
// border) with its text on top. Event 0 (feedback) is raised by the runtime message 0x8075.
#pragma once

#include <string>

#include "ui/control.h"
#include "ui/picture.h"
#include "ui/props/label_props.h"
#include "ui/text_drawing.h"

namespace quill {

class Label : public Control, public LabelIndex {
public:
    static constexpr UINT kFeedbackMessage = 0x8075;
    static constexpr int32_t kFeedback = 0;
    static constexpr int32_t kGradientBorder = 6;

    static Unit* Create(const UnitCreateArgs& args);
    static UnitRoutine Query(int entry);
    static void ListTexts(const uint8_t* ownProperties, size_t size, TextVisitor visit, void* context);

    int SetOwn(int k, const PropValue& value) override;
    bool GetOwn(int k, PropValue* out) const override;
    std::string SerialiseOwn() const override { return props_.Write(); }

    void Describe(AccessibleFacts* facts) const override;
    bool Activate() override;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc, const RECT& paintArea) override;
    // Draws the background picture into r; false when there is none to draw. Removes what
    // it covered from `uncovered`.
    bool DrawPicture(HDC dc, const RECT& r, HRGN uncovered);

    LabelProps props_;
    Picture picture_;
    bool pictureDecoded_ = false;
};

}  // namespace quill
