#include "ui/pic_btn.h"

#include <windowsx.h>

#include <cstring>
#include <vector>

#include "ui/accessible.h"
#include "ui/own_property.h"
#include "ui/picture.h"

namespace quill {

namespace {

const ControlClass kPicBtnClass{"QuillPicBtn", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, IDC_ARROW};

constexpr size_t kRectsPerPiece = 2000;
constexpr int kFocusCueInset = 4;

SIZE BitmapSize(HBITMAP bmp) {
    BITMAP info{};
    GetObjectW(bmp, sizeof(info), &info);
    return SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

// Joins a batch of rectangles into `total` (created from the first batch).
bool AddPiece(const std::vector<RECT>& rects, Region* total) {
    if (rects.empty()) return true;
    std::vector<char> buffer(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(rects.size());
    data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
    RECT bounds = rects.front();
    for (const RECT& r : rects) UnionRect(&bounds, &bounds, &r);
    data->rdh.rcBound = bounds;
    std::memcpy(data->Buffer, rects.data(), rects.size() * sizeof(RECT));
    Region piece(ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data));
    if (!piece) return false;
    if (!*total) {
        *total = std::move(piece);
        return true;
    }
    return CombineRgn(total->get(), total->get(), piece.get(), RGN_OR) != ERROR;
}

// The region of the bitmap's pixels that differ from `transparent`, one 1-pixel-high
// rectangle per run of such pixels in a row. Null on failure.
HRGN RegionFromBitmap(HBITMAP bmp, COLORREF transparent) {
    const SIZE size = BitmapSize(bmp);
    if (size.cx <= 0 || size.cy <= 0) return nullptr;
    COLORREF key;
    {
        // The colour as the bitmap actually stores it, which for a device bitmap of fewer
        // colours is not necessarily the colour asked for.
        MemoryDC dc;
        Selection sel(dc.get(), bmp);
        const COLORREF saved = GetPixel(dc.get(), 0, 0);
        SetPixel(dc.get(), 0, 0, transparent);
        key = GetPixel(dc.get(), 0, 0);
        SetPixel(dc.get(), 0, 0, saved);
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(size.cx) * size.cy);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = size.cx;
    bi.bmiHeader.biHeight = -size.cy;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    {
        ClientDC screen;
        if (GetDIBits(screen.get(), bmp, 0, static_cast<UINT>(size.cy), pixels.data(), &bi, DIB_RGB_COLORS) == 0)
            return nullptr;
    }
    // DIB pixels are 0x00RRGGBB; the COLORREF is 0x00BBGGRR.
    const uint32_t keyPixel = (uint32_t(GetRValue(key)) << 16) | (uint32_t(GetGValue(key)) << 8) | GetBValue(key);

    Region total;
    std::vector<RECT> rects;
    rects.reserve(kRectsPerPiece);
    for (LONG y = 0; y < size.cy; ++y) {
        const uint32_t* row = pixels.data() + static_cast<size_t>(y) * size.cx;
        LONG x = 0;
        while (x < size.cx) {
            while (x < size.cx && (row[x] & 0x00FFFFFF) == keyPixel) ++x;
            const LONG start = x;
            while (x < size.cx && (row[x] & 0x00FFFFFF) != keyPixel) ++x;
            if (x > start) {
                rects.push_back(RECT{start, y, x, y + 1});
                if (rects.size() == kRectsPerPiece) {
                    if (!AddPiece(rects, &total)) return nullptr;
                    rects.clear();
                }
            }
        }
    }
    if (!AddPiece(rects, &total)) return nullptr;
    // Every pixel transparent: the button has no shape left at all.
    if (!total) total.reset(CreateRectRgn(0, 0, 0, 0));
    return total.release();
}

}  // namespace

Unit* PicBtn::Create(const UnitCreateArgs& args) {
    auto made = std::make_unique<PicBtn>();
    if (!made->props_.Read(args.ownProperties, args.ownPropertiesSize)) return nullptr;
    PicBtn* btn = WithWindow(std::move(made), kPicBtnClass, 0, args.style | WS_CHILD | WS_CLIPSIBLINGS, "", args);
    if (!btn) return nullptr;
    btn->toggle_ = btn->props_.toggle == 1;
    btn->selected_ = btn->props_.selected;
    for (int k = kNormal; k <= kDisabled; ++k) btn->StateBitmap(k).reset(DecodePictureBitmap(btn->PictureBytes(k)));
    btn->Redraw();
    btn->ApplySelected(btn->props_.selected);
    return btn;
}

std::string& PicBtn::PictureBytes(int k) {
    switch (k) {
    case kHover: return props_.hover;
    case kPressed: return props_.pressed;
    case kDisabled: return props_.disabled;
    default: return props_.normal;
    }
}

Bitmap& PicBtn::StateBitmap(int k) {
    switch (k) {
    case kHover: return hover_;
    case kPressed: return pressed_;
    case kDisabled: return disabled_;
    default: return normal_;
    }
}

HBITMAP PicBtn::ChooseBitmap() const {
    if (disabled_ && hwnd_ && !IsWindowEnabled(hwnd_)) return disabled_.get();
    // A state without its own picture shows the normal one (a press does not keep the
    // mouse-over picture).
    const Bitmap* candidate = state_ == kStateHover ? &hover_ : state_ == kStatePressed ? &pressed_ : nullptr;
    if (candidate && *candidate) return candidate->get();
    return normal_.get();
}

void PicBtn::Redraw() {
    RebuildRegion();
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
}

void PicBtn::RebuildRegion() {
    HBITMAP bmp = ChooseBitmap();
    HRGN region = nullptr;
    if (props_.transparent != PicBtnProps::kNoColour && bmp) region = RegionFromBitmap(bmp, props_.transparent);
    // The window owns a region it was given; a null one clears the shape.
    if (!SetWindowRgn(hwnd_, region, TRUE) && region) DeleteObject(region);
}

void PicBtn::SetState(int state) {
    if (state == state_) return;
    state_ = state;
    Redraw();
}

void PicBtn::ApplySelected(int32_t value) {
    if (!toggle_) return;
    selected_ = value;
    SetState(value == 1 ? kStatePressed : kStateNormal);
}

int PicBtn::SetOwn(int k, const PropValue& value) {
    const Stored stored = StoreOwnField(&props_, k, value);
    switch (k) {
    case kToggle:
        // Nothing is redrawn: the mode shows with the next input.
        toggle_ = props_.toggle == 1;
        break;
    case kSelected:
        ApplySelected(props_.selected);
        break;
    case kNormal:
    case kHover:
    case kPressed:
    case kDisabled: {
        StateBitmap(k).reset(DecodePictureBitmap(PictureBytes(k)));
        const bool showing = k == kNormal || (k == kHover && state_ == kStateHover) ||
                             (k == kPressed && state_ == kStatePressed) ||
                             (k == kDisabled && !IsWindowEnabled(hwnd_));
        if (showing) Redraw();
        break;
    }
    case kTransparent:
        if (stored == Stored::Changed) Redraw();
        break;
    default: break;
    }
    return 0;
}

bool PicBtn::GetOwn(int k, PropValue* out) const {
    if (k == kSelected) {
        *out = PropValue::Integer(selected_);  // the live flag, which clicks flip
        return true;
    }
    return GetOwnField(props_, k, out);
}

std::string PicBtn::SerialiseOwn() const {
    PicBtnProps current = props_;
    current.selected = selected_;
    return current.Write();
}

void PicBtn::Paint(HDC dc, const RECT&) {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    // Drawn off screen first, so a change of state never shows a black frame in between.
    MemoryDC mem(dc);
    Bitmap canvas(CreateCompatibleBitmap(dc, rc.right, rc.bottom));
    if (!mem || !canvas) return;
    Selection onCanvas(mem.get(), canvas.get());
    PatBlt(mem.get(), 0, 0, rc.right, rc.bottom, BLACKNESS);
    if (HBITMAP bmp = ChooseBitmap()) {
        const SIZE size = BitmapSize(bmp);
        MemoryDC src(dc);
        Selection sel(src.get(), bmp);
        BitBlt(mem.get(), 0, 0, size.cx, size.cy, src.get(), 0, 0, SRCCOPY);
    }
    if (ShowsFocusCue()) {
        RECT cue = rc;
        InflateRect(&cue, -kFocusCueInset, -kFocusCueInset);
        DrawFocusRect(mem.get(), &cue);
    }
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, SRCCOPY);
}

bool PicBtn::InClient(LPARAM lp) const {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    return PtInRect(&rc, pt) != 0;
}

void PicBtn::OnLButtonDown(LPARAM lp) {
    if (!InClient(lp) || !IsWindowEnabled(hwnd_) || toggle_) return;
    SetState(kStatePressed);
    if (GetCapture() != hwnd_) SetCapture(hwnd_);
}

void PicBtn::OnMouseMove(WPARAM wp, LPARAM lp) {
    if (toggle_ || !IsWindowEnabled(hwnd_)) {
        if (GetCapture() == hwnd_) ReleaseCapture();
        return;
    }
    POINT screen{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(hwnd_, &screen);
    const HWND under = WindowFromPoint(screen);
    const bool held = (wp & MK_LBUTTON) != 0;
    if (under == hwnd_ || (!under && InClient(lp))) {
        if (GetCapture() != hwnd_) SetCapture(hwnd_);
        SetState(held ? kStatePressed : kStateHover);
    } else {
        // Holding the button keeps the capture, so a release outside is still seen here.
        if (!held && GetCapture() == hwnd_) ReleaseCapture();
        SetState(kStateNormal);
    }
}

void PicBtn::OnLButtonUp(LPARAM lp) {
    if (GetCapture() == hwnd_) ReleaseCapture();
    if (!InClient(lp) || !IsWindowEnabled(hwnd_)) return;
    Click();
}

void PicBtn::Click() {
    if (toggle_) {
        selected_ = selected_ == 1 ? 0 : 1;
        SetState(selected_ == 1 ? kStatePressed : kStateNormal);
    } else {
        SetState(kStateNormal);
    }
    // Last: the handler may destroy the button.
    RaiseEvent(kClicked);
}

bool PicBtn::Activate() {
    if (!IsWindowEnabled(hwnd_)) return false;
    Click();
    return true;
}

void PicBtn::Describe(AccessibleFacts* facts) const {
    Control::Describe(facts);
    facts->role = toggle_ ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_PUSHBUTTON;
    facts->pressable = true;
    if (toggle_ && selected_ == 1) facts->state |= STATE_SYSTEM_CHECKED;
    if (!toggle_ && state_ == kStatePressed) facts->state |= STATE_SYSTEM_PRESSED;
}

LRESULT PicBtn::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (PaintMessage(msg, wp)) return 0;
    switch (msg) {
    case WM_ERASEBKGND: return 1;  // the paint covers the whole client area
    case WM_LBUTTONDOWN: OnLButtonDown(lp); return 0;
    case WM_MOUSEMOVE: OnMouseMove(wp, lp); return 0;
    case WM_LBUTTONUP: OnLButtonUp(lp); return 0;
    case WM_ENABLE: {
        const LRESULT r = Default(msg, wp, lp);
        Redraw();
        return r;
    }
    default: return Default(msg, wp, lp);
    }
}

}  // namespace quill
