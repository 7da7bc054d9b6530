#include "ui/pic_box.h"

#include "ui/border_style.h"
#include "ui/control_query.h"
#include "ui/own_property.h"

namespace quill {

namespace {

const ControlClass kPicBoxClass{"QuillPicBox", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, IDC_ARROW};

}  // namespace

Unit* PicBox::Create(const UnitCreateArgs& args) {
    auto made = std::make_unique<PicBox>();
    if (!made->props_.Read(args.ownProperties, args.ownPropertiesSize)) return nullptr;
    PicBox* box = WithWindow(std::move(made), kPicBoxClass, 0, args.style | WS_CHILD | WS_CLIPSIBLINGS, "", args);
    if (!box) return nullptr;
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
    const Stored stored = StoreOwnField(&props_, k, value);
    switch (k) {
    case kBorder: ApplyBorderStyle(hwnd_, props_.border); break;
    case kBackground:
        MakeBrush();
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case kPicture:
        picture_ = Picture::Decode(props_.picture);
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case kPictureMode:
        if (stored != Stored::Changed) break;
        InvalidateRect(hwnd_, nullptr, FALSE);
        UpdateWindow(hwnd_);
        break;
    // Animated GIFs show their first picture; nothing here plays them.
    case kPlayAnimation: break;
    // No data-source unit type exists, so a binding never brings a picture.
    case kDataSource:
    case kDataColumn:
        break;
    default: break;
    }
    return 0;
}

bool PicBox::GetOwn(int k, PropValue* out) const { return GetOwnField(props_, k, out); }

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
