#include "ui/process_bar.h"


#include <algorithm>

#include "runtime/frame.h"
#include "ui/border_style.h"
#include "ui/common_controls.h"
#include "ui/props/clamp.h"

namespace quill {

namespace {

constexpr UINT_PTR kSubclassId = 1;

}  // namespace

Unit* ProcessBar::Create(const UnitCreateArgs& args) {
    auto* bar = new ProcessBar;
    if (!bar->props_.Read(args.ownProperties, args.ownPropertiesSize)) {
        delete bar;
        return nullptr;
    }
    LoadCommonControls();
    DWORD style = args.style | WS_CHILD | WS_CLIPSIBLINGS;
    if (bar->props_.vertical) style |= PBS_VERTICAL;
    if (bar->props_.smooth) style |= PBS_SMOOTH;
    HWND hwnd = CreateWindowExA(0, PROGRESS_CLASSA, "", style, args.left, args.top, args.width, args.height,
                                args.parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(args.controlId)),
                                GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) {
        delete bar;
        return nullptr;
    }
    bar->hwnd_ = hwnd;
    bar->windowId_ = args.windowId;
    bar->unitId_ = args.unitId;
    // The system class has its own window procedure; the subclass only watches for the
    // window's end, which ends the unit too.
    SubclassWindow(hwnd, &ProcessBar::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(bar));
    bar->SendRange();
    bar->SendPosition();
    ApplyBorderStyle(hwnd, bar->props_.border);
    return bar;
}

LRESULT CALLBACK ProcessBar::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    const LRESULT result = DefaultSubclassProc(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        auto* bar = reinterpret_cast<ProcessBar*>(data);
        RemoveSubclass(hwnd, &ProcessBar::SubclassProc, kSubclassId);
        FrameNotify(kFrameUnitDestroyed, static_cast<intptr_t>(bar->windowId_), static_cast<intptr_t>(bar->unitId_), 0);
        delete bar;
    }
    return result;
}

void ProcessBar::SendRange() {
    const int lo = std::min(props_.minimum, props_.maximum), hi = std::max(props_.minimum, props_.maximum);
    SendMessageA(hwnd_, PBM_SETRANGE, 0, MAKELPARAM(lo, hi));
}

void ProcessBar::SendPosition() {
    // Raised to the minimum property, then lowered to the maximum property: with the two
    // crossed, the maximum wins.
    const int pos = std::min(props_.maximum, std::max(props_.position, props_.minimum));
    SendMessageA(hwnd_, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

int ProcessBar::SetOwn(int k, const PropValue& value) {
    switch (k) {
    case kBorder:
        props_.border = Clamp(value.i, 0, 5);
        ApplyBorderStyle(hwnd_, props_.border);
        return 0;
    case kVertical:
    case kSmooth: {
        int32_t& field = k == kVertical ? props_.vertical : props_.smooth;
        const int32_t v = Clamp(value.i, 0, 1);
        if (v == field) return 0;
        field = v;
        return 1;  // the style only takes effect in a new control
    }
    case kMinimum:
    case kMaximum:
        (k == kMinimum ? props_.minimum : props_.maximum) = Clamp(value.i, 0, ProcessBarProps::kLimit);
        SendRange();
        return 0;
    case kPosition:
        props_.position = Clamp(value.i, 0, ProcessBarProps::kLimit);
        SendPosition();
        return 0;
    default: return 0;
    }
}

bool ProcessBar::GetOwn(int k, PropValue* out) const {
    switch (k) {
    case kBorder: *out = PropValue::Integer(props_.border); return true;
    case kVertical: *out = PropValue::Integer(props_.vertical); return true;
    case kSmooth: *out = PropValue::Integer(props_.smooth); return true;
    case kMinimum: *out = PropValue::Integer(props_.minimum); return true;
    case kMaximum: *out = PropValue::Integer(props_.maximum); return true;
    // As last set: the control itself may hold a bounded value.
    case kPosition: *out = PropValue::Integer(props_.position); return true;
    default: return false;
    }
}

}  // namespace quill
