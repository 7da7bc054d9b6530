// PicBtn: a button drawn entirely from pictures, one per visual state (normal, mouse over,
// pressed, disabled), with hover tracking by mouse capture, an optional toggle mode and an
// optional window shape cut out by a transparent colour. Event 0: clicked.
#pragma once

#include <string>

#include "ui/control.h"
#include "ui/gdi.h"
#include "ui/props/pic_btn_props.h"

namespace quill {

class PicBtn : public Control, public PicBtnIndex {
public:
    enum State { kStateNormal = 0, kStateHover = 1, kStatePressed = 2 };
    static constexpr int32_t kClicked = 0;

    static Unit* Create(const UnitCreateArgs& args);
    static UnitRoutine Query(int entry) { return UnitQuery<PicBtn>::Query(entry); }

    int SetOwn(int k, const PropValue& value) override;
    bool GetOwn(int k, PropValue* out) const override;
    std::string SerialiseOwn() const override;

    int state() const { return state_; }

    void Describe(AccessibleFacts* facts) const override;
    bool Activate() override;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::string& PictureBytes(int k);
    Bitmap& StateBitmap(int k);
    HBITMAP ChooseBitmap() const;
    void Redraw();
    void RebuildRegion();
    void SetState(int state);
    void ApplySelected(int32_t value);
    void Paint(HDC dc, const RECT& area) override;
    bool InClient(LPARAM lp) const;
    void OnLButtonDown(LPARAM lp);
    void OnMouseMove(WPARAM wp, LPARAM lp);
    void OnLButtonUp(LPARAM lp);
    void Click();

    PicBtnProps props_;
    bool toggle_ = false;
    int32_t selected_ = 0;  // live selected flag of toggle mode
    Bitmap normal_, hover_, pressed_, disabled_;
    int state_ = kStateNormal;
};

}  // namespace quill
