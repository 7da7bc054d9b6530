#include "ui/process_bar.h"

#include <algorithm>
#include <string>

#include "ui/accessible.h"
#include "ui/border_style.h"
#include "ui/common_controls.h"
#include "ui/own_property.h"

namespace quill {

namespace {

// The system class comes from the common controls library, loaded from the system folder
// at run time, which registers it on request.
void RegisterProgressClass() { LoadCommonControls(); }

}  // namespace

Unit* ProcessBar::Create(const UnitCreateArgs& args) {
    auto made = std::make_unique<ProcessBar>();
    if (!made->props_.Read(args.ownProperties, args.ownPropertiesSize)) return nullptr;
    RegisterProgressClass();
    DWORD style = args.style | WS_CHILD | WS_CLIPSIBLINGS;
    if (made->props_.vertical) style |= PBS_VERTICAL;
    if (made->props_.smooth) style |= PBS_SMOOTH;
    // Painting stays the system control's; its messages pass through OnMessage unchanged.
    ProcessBar* bar = WithSystemWindow(std::move(made), PROGRESS_CLASSW, style, args);
    if (!bar) return nullptr;
    bar->SendRange();
    bar->SendPosition();
    ApplyBorderStyle(bar->hwnd_, bar->props_.border);
    return bar;
}

void ProcessBar::SendRange() {
    const int lo = std::min(props_.minimum, props_.maximum), hi = std::max(props_.minimum, props_.maximum);
    SendMessageW(hwnd_, PBM_SETRANGE, 0, MAKELPARAM(lo, hi));
}

void ProcessBar::SendPosition() {
    // Raised to the minimum property, then lowered to the maximum property: with the two
    // crossed, the maximum wins.
    const int pos = std::min(props_.maximum, std::max(props_.position, props_.minimum));
    SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
    NotifyReaders(EVENT_OBJECT_VALUECHANGE, hwnd_);
}

int ProcessBar::SetOwn(int k, const PropValue& value) {
    const Stored stored = StoreOwnField(&props_, k, value);
    switch (k) {
    case kBorder: ApplyBorderStyle(hwnd_, props_.border); return 0;
    case kVertical:
    case kSmooth:
        // The style only takes effect in a new control.
        return stored == Stored::Changed ? 1 : 0;
    case kMinimum:
    case kMaximum: SendRange(); return 0;
    case kPosition: SendPosition(); return 0;
    default: return 0;
    }
}

// The stored values, position as last set: the control itself may hold a bounded one.
bool ProcessBar::GetOwn(int k, PropValue* out) const { return GetOwnField(props_, k, out); }

void ProcessBar::Describe(AccessibleFacts* facts) const {
    Control::Describe(facts);
    facts->role = ROLE_SYSTEM_PROGRESSBAR;
    PBRANGE range{};
    SendMessageW(hwnd_, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    const auto position = static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0));
    const int span = range.iHigh - range.iLow;
    const int percent = span > 0 ? MulDiv(position - range.iLow, 100, span) : 0;
    facts->value = std::to_string(percent) + "%";
}

}  // namespace quill
