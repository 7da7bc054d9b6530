// TransLabel: text drawn straight over whatever its container painted, with no
// background of its own. Because nothing of its own erases old glyphs, every property
// write and every move repaints what lies under it before it draws again.
#pragma once

#include <string>

#include "ui/control.h"
#include "ui/props/trans_label_props.h"
#include "ui/text_drawing.h"

namespace quill {

class TransLabel : public Control, public TransLabelIndex {
public:

    static Unit* Create(const UnitCreateArgs& args);
    static UnitRoutine Query(int entry);
    static void ListTexts(const uint8_t* ownProperties, size_t size, TextVisitor visit, void* context);

    int SetOwn(int k, const PropValue& value) override;
    bool GetOwn(int k, PropValue* out) const override;
    std::string SerialiseOwn() const override { return props_.Write(); }

    void Describe(AccessibleFacts* facts) const override;
    bool Activate() override;

    // Repaints everything under the label, then the label itself.
    void TransparentRefresh();

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDestroyed() override;
    // The cue is drawn over the container too, so what lies under it is repainted first.
    void RepaintFocusCue() override { TransparentRefresh(); }

private:
    void Paint(HDC dc, const RECT& area) override;

    TransLabelProps props_;
};

}  // namespace quill
