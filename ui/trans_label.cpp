#include "ui/trans_label.h"

#include <vector>

#include "ui/accessible.h"
#include "ui/control_query.h"
#include "ui/gdi.h"
#include "ui/libraries.h"
#include "ui/own_property.h"

namespace quill {

namespace {

const ControlClass kTransLabelClass{"QuillTransLabel", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, IDC_ARROW};

// Every visible window below `parent`, each window's children before the window itself,
// siblings from the top of the z-order down.
void CollectVisible(HWND parent, std::vector<HWND>* out) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        CollectVisible(child, out);
        out->push_back(child);
    }
}

}  // namespace

Unit* TransLabel::Create(const UnitCreateArgs& args) {
    auto made = std::make_unique<TransLabel>();
    if (!made->props_.Read(args.ownProperties, args.ownPropertiesSize)) return nullptr;
    const std::string caption = made->props_.caption;
    return WithWindow(std::move(made), kTransLabelClass, WS_EX_TRANSPARENT, args.style | WS_CHILD | WS_CLIPSIBLINGS,
                      caption.c_str(), args);
}

UnitRoutine TransLabel::Query(int entry) { return ControlQuery<TransLabel>::Query(entry); }

void TransLabel::ListTexts(const uint8_t* ownProperties, size_t size, TextVisitor visit, void* context) {
    TransLabelProps props;
    if (!props.Read(ownProperties, size)) return;
    visit(props.caption, context);
    if (props.font.size() == kLogFontSize) visit(FontFaceName(props.font), context);
}

int TransLabel::SetOwn(int k, const PropValue& value) {
    if (StoreOwnField(&props_, k, value) == Stored::Unknown) return 0;
    if (k == kCaption) SetWindowTextOf(hwnd_, props_.caption);
    // Even an unchanged value repaints: callers use a write to clean up the label's area.
    TransparentRefresh();
    return 0;
}

bool TransLabel::GetOwn(int k, PropValue* out) const { return GetOwnField(props_, k, out); }

void TransLabel::TransparentRefresh() {
    if (!hwnd_) return;
    // The top of the chain of child windows: the window whose painting is under everything.
    HWND top = hwnd_;
    while (GetWindowLongPtrW(top, GWL_STYLE) & WS_CHILD) {
        HWND parent = GetParent(top);
        if (!parent) break;
        top = parent;
    }
    RECT area;  // the label's client area on the screen
    GetClientRect(hwnd_, &area);
    MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&area), 2);
    if (top != hwnd_) {
        RECT inTop = area;
        MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&inTop), 2);
        InvalidateRect(top, &inTop, TRUE);
        UpdateWindow(top);
        // Bottom-most first, so each window paints over what lies under it.
        std::vector<HWND> windows;
        CollectVisible(top, &windows);
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            RECT bounds, overlap;
            GetWindowRect(*it, &bounds);
            if (!IntersectRect(&overlap, &bounds, &area)) continue;
            MapWindowPoints(nullptr, *it, reinterpret_cast<POINT*>(&overlap), 2);
            RedrawWindow(*it, &overlap, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME);
        }
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void TransLabel::Paint(HDC dc, const RECT&) {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    DrawLookText(dc, WindowText(hwnd_), rc, LookOf(props_));
    if (ShowsFocusCue()) DrawFocusRect(dc, &rc);
}

void TransLabel::Describe(AccessibleFacts* facts) const {
    Control::Describe(facts);
    DescribeLabel(hwnd_, props_.font, facts);
}

bool TransLabel::Activate() {
    if (!IsWindowEnabled(hwnd_)) return false;
    ClickAtCentre(ExtLibraryFrame());
    return true;
}

LRESULT TransLabel::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (PaintMessage(msg, wp)) return 0;
    switch (msg) {
    case WM_MOVE: {
        const LRESULT r = Default(msg, wp, lp);
        TransparentRefresh();
        return r;
    }
    default: return Default(msg, wp, lp);
    }
}

void TransLabel::OnDestroyed() {
    // A unit of the extended component reports through the entry the frame gave it.
    if (NotifyFn frame = ExtLibraryFrame())
        frame(kFrameUnitDestroyed, static_cast<intptr_t>(windowId_), static_cast<intptr_t>(unitId_), 0);
}

}  // namespace quill
