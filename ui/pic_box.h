// PicBox: a rectangle with a background colour, an optional border and an optional
// picture drawn at its own size, stretched, or centred and shrunk to fit. It does not clip
// its children, so it also paints under the transparent labels placed on it.
#pragma once

#include <string>

#include "ui/control.h"
#include "ui/gdi.h"
#include "ui/picture.h"
#include "ui/props/pic_box_props.h"

namespace quill {

class PicBox : public Control, public PicBoxIndex {
public:

    static Unit* Create(const UnitCreateArgs& args);
    static UnitRoutine Query(int entry);
    static void ListTexts(const uint8_t* ownProperties, size_t size, TextVisitor visit, void* context);

    int SetOwn(int k, const PropValue& value) override;
    bool GetOwn(int k, PropValue* out) const override;
    std::string SerialiseOwn() const override { return props_.Write(); }

    // Where the picture goes in the client area (empty without a picture).
    RECT PictureRect() const;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void MakeBrush();
    void Paint(HDC dc, const RECT& area) override;

    PicBoxProps props_;
    Brush background_;
    Picture picture_;
};

}  // namespace quill
