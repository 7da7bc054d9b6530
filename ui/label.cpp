#include "ui/label.h"

#include "ui/accessible.h"
#include "ui/border_style.h"
#include "ui/control_query.h"
#include "ui/gdi.h"
#include "ui/gradient.h"
#include "ui/own_property.h"

namespace quill {

namespace {

const ControlClass kLabelClass{"QuillLabel", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, IDC_ARROW};

}  // namespace

Unit* Label::Create(const UnitCreateArgs& args) {
    auto made = std::make_unique<Label>();
    if (!made->props_.Read(args.ownProperties, args.ownPropertiesSize)) return nullptr;
    const std::string caption = made->props_.caption;
    Label* label = WithWindow(std::move(made), kLabelClass, 0, args.style | WS_CHILD | WS_CLIPSIBLINGS,
                              caption.c_str(), args);
    if (!label) return nullptr;
    if (label->props_.border >= 1 && label->props_.border <= 5) ApplyBorderStyle(label->hwnd_, label->props_.border);
    return label;
}

UnitRoutine Label::Query(int entry) { return ControlQuery<Label>::Query(entry); }

void Label::ListTexts(const uint8_t* ownProperties, size_t size, TextVisitor visit, void* context) {
    LabelProps props;
    if (!props.Read(ownProperties, size)) return;
    visit(props.caption, context);
    if (props.font.size() == kLogFontSize) visit(FontFaceName(props.font), context);
    visit(props.dataSource, context);
    visit(props.dataColumn, context);
}

int Label::SetOwn(int k, const PropValue& value) {
    if (StoreOwnField(&props_, k, value) == Stored::Unknown) return 0;
    switch (k) {
    case kCaption: SetWindowTextOf(hwnd_, props_.caption); break;
    case kBorder: ApplyBorderStyle(hwnd_, props_.border); break;
    case kPicture:
        // Decoded again at the next paint.
        picture_ = Picture();
        pictureDecoded_ = false;
        break;
    // No data-source unit type exists, so a binding never replaces the stored caption.
    case kDataSource:
    case kDataColumn:
        break;
    default: break;
    }
    // The paint covers the whole area, so no erase is needed (and none flickers).
    InvalidateRect(hwnd_, nullptr, FALSE);
    return 0;
}

bool Label::GetOwn(int k, PropValue* out) const { return GetOwnField(props_, k, out); }

bool Label::DrawPicture(HDC dc, const RECT& r, HRGN uncovered) {
    if (props_.picture.empty()) return false;
    if (!pictureDecoded_) {
        picture_ = Picture::Decode(props_.picture);
        pictureDecoded_ = true;  // an undecodable picture is not tried again
    }
    if (picture_.empty()) return false;
    const int pw = picture_.width(), ph = picture_.height();
    RECT drawn;
    switch (props_.pictureMode) {
    case 0:
        drawn = RECT{r.left, r.top, r.left + pw, r.top + ph};
        picture_.Draw(dc, r.left, r.top);
        break;
    case 2:
        drawn = CentredFit(r, pw, ph);
        picture_.Draw(dc, drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top);
        break;
    default:
        for (LONG y = r.top; y < r.bottom; y += ph)
            for (LONG x = r.left; x < r.right; x += pw) picture_.Draw(dc, x, y);
        SetRectRgn(uncovered, 0, 0, 0, 0);
        return true;
    }
    Region covered(CreateRectRgnIndirect(&drawn));
    CombineRgn(uncovered, uncovered, covered.get(), RGN_DIFF);
    return true;
}

void Label::Paint(HDC dc, const RECT& paintArea) {
    RECT clip;
    if (GetClipBox(dc, &clip) == NULLREGION) return;
    RECT r;
    GetClientRect(hwnd_, &r);
    if (props_.border == kGradientBorder && props_.gradientWidth > 0) {
        const auto stops = GradientStops({props_.borderColour1, props_.borderColour2, props_.borderColour3});
        if (stops.size() >= 2) {
            DrawGradientFrame(dc, r, props_.gradientWidth, stops);
            InflateRect(&r, -props_.gradientWidth, -props_.gradientWidth);
        }
    }
    RECT area;
    if (!IntersectRect(&area, &paintArea, &r)) SetRectEmpty(&area);
    Region uncovered(CreateRectRgnIndirect(&area));
    const int saved = SaveDC(dc);
    ExtSelectClipRgn(dc, uncovered.get(), RGN_AND);
    if (!DrawPicture(dc, r, uncovered.get()) && props_.gradientMode >= 1) {
        const auto stops =
            GradientStops({props_.gradientColour1, props_.gradientColour2, props_.gradientColour3});
        if (stops.size() >= 2) {
            FillGradient(dc, r, props_.gradientMode, stops);
            SetRectRgn(uncovered.get(), 0, 0, 0, 0);
        }
    }
    if (props_.background == LabelProps::kDefaultColour) {
        FillRgn(dc, uncovered.get(), GetSysColorBrush(COLOR_BTNFACE));
    } else {
        Brush brush(CreateSolidBrush(static_cast<COLORREF>(props_.background & 0x00FFFFFF)));
        FillRgn(dc, uncovered.get(), brush.get());
    }
    DrawLookText(dc, WindowText(hwnd_), r, LookOf(props_));
    RestoreDC(dc, saved);
    if (ShowsFocusCue()) {
        GetClientRect(hwnd_, &r);
        DrawFocusRect(dc, &r);
    }
}

void Label::Describe(AccessibleFacts* facts) const {
    Control::Describe(facts);
    DescribeLabel(hwnd_, props_.font, facts);
}

bool Label::Activate() {
    if (!IsWindowEnabled(hwnd_)) return false;
    ClickAtCentre();
    return true;
}

LRESULT Label::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (PaintMessage(msg, wp)) return 0;
    switch (msg) {
    case WM_ERASEBKGND: return 1;  // the paint covers the whole area
    case kFeedbackMessage: {
        EventRecord record;
        RaiseEvent(kFeedback, {static_cast<int32_t>(wp), static_cast<int32_t>(lp)}, &record);
        return record.hasResult ? record.result : 0;
    }
    default: return Default(msg, wp, lp);
    }
}

}  // namespace quill
