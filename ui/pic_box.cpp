#include "ui/pic_box.h"

#include "ui/border_style.h"
#include "ui/control_query.h"
#include "ui/props/clamp.h"

namespace quill {

namespace {

const ControlClass kPicBoxClass{"QuillPicBox", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, IDC_ARROW};

}  // namespace

Unit* PicBox::Create(const UnitCreateArgs& args) {
    auto* box = new PicBox;
    if (!box->props_.Read(args.ownProperties, args.ownPropertiesSize) ||
        !box->CreateControlWindow(kPicBoxClass, 0, args.style | WS_CHILD | WS_CLIPSIBLINGS, "", args)) {
        delete box;
        return nullptr;
    }
    box->MakeBrush();
    // Animated GIFs show their first picture; nothing here plays them.
    box->picture_ = Picture::Decode(box->props_.picture);
    ApplyBorderStyle(box->hwnd_, box->props_.border);
    return box;
}

UnitRoutine PicBox::Query(int entry) { return ControlQuery<PicBox>::Query(entry); }

void PicBox::ListTexts(const uint8_t* ownProperties, size_t size, TextVisitor visit, void* context) {
    PicBoxProps props;
    if (!props.Read(ownProperties, size)) return;
    visit(props.dataSource, context);
    visit(props.dataColumn, context);
}

void PicBox::MakeBrush() {
    const COLORREF colour = props_.background == PicBoxProps::kDefaultColour
                                ? GetSysColor(COLOR_BTNFACE)
                                : static_cast<COLORREF>(props_.background & 0x00FFFFFF);
    background_.reset(CreateSolidBrush(colour));
}

int PicBox::SetOwn(int k, const PropValue& value) {
    switch (k) {
    case kBorder:
        props_.border = Clamp(value.i, 0, 5);
        ApplyBorderStyle(hwnd_, props_.border);
        break;
    case kBackground:
        props_.background = static_cast<uint32_t>(value.i);
        MakeBrush();
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case kPicture:
        props_.picture = value.s;
        picture_ = Picture::Decode(props_.picture);
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case kPictureMode: {
        const int32_t mode = Clamp(value.i, 0, 2);
        if (mode == props_.pictureMode) break;
        props_.pictureMode = mode;
        InvalidateRect(hwnd_, nullptr, FALSE);
        UpdateWindow(hwnd_);
        break;
    }
    case kPlayAnimation: props_.playAnimation = value.i; break;
    // No data-source unit type exists, so a binding never brings a picture.
    case kDataSource: props_.dataSource = value.s; break;
    case kDataColumn: props_.dataColumn = value.s; break;
    default: break;
    }
    return 0;
}

bool PicBox::GetOwn(int k, PropValue* out) const {
    switch (k) {
    case kBorder: *out = PropValue::Integer(props_.border); return true;
    case kBackground: *out = PropValue::Integer(static_cast<int32_t>(props_.background)); return true;
    case kPicture: *out = PropValue::OfBytes(props_.picture); return true;
    case kPictureMode: *out = PropValue::Integer(props_.pictureMode); return true;
    case kPlayAnimation: *out = PropValue::Integer(props_.playAnimation); return true;
    case kDataSource: *out = PropValue::OfText(props_.dataSource); return true;
    case kDataColumn: *out = PropValue::OfText(props_.dataColumn); return true;
    default: return false;
    }
}

RECT PicBox::PictureRect() const {
    RECT rc{};
    if (picture_.empty() || !hwnd_) return rc;
    GetClientRect(hwnd_, &rc);
    switch (props_.pictureMode) {
    case 1: return rc;
    case 2: return CentredFit(rc, picture_.width(), picture_.height());
    default: return RECT{0, 0, picture_.width(), picture_.height()};
    }
}

void PicBox::Paint(HDC dc, const RECT&) {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    {
        Selection brush(dc, background_.get());
        PatBlt(dc, 0, 0, rc.right, rc.bottom, PATCOPY);
    }
    if (picture_.empty()) return;
    const RECT at = PictureRect();
    picture_.Draw(dc, at.left, at.top, at.right - at.left, at.bottom - at.top);
}

LRESULT PicBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (PaintMessage(msg, wp)) return 0;
    switch (msg) {
    case WM_ERASEBKGND: return 1;  // the paint fills the whole client area
    default: return Default(msg, wp, lp);
    }
}

}  // namespace quill
