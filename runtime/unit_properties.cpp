// Property access by window identifier, unit identifier and property index. Indices 0..7
// are the common properties the frame handles; 8 + k goes to the unit type's own routines.
#include <windows.h>

#include <algorithm>

#include "runtime/frame.h"
#include "runtime/runtime_state.h"
#include "runtime/byte_stream.h"
#include "runtime/cursor_blob.h"

namespace quill {

namespace {

constexpr int32_t kPositionLimit = 32627;

struct Target {
    LoadedWindow* window = nullptr;
    LoadedUnit* unit = nullptr;
    size_t index = 0;
};

Target Resolve(uint32_t windowId, uint32_t unitId) {
    Target t;
    t.window = FindLoadedWindow(windowId);
    if (!t.window || !t.window->hwnd) RaiseRuntimeError("未载入欲访问窗口组件所在的窗口", 0);
    t.unit = FindUnit(*t.window, unitId);
    if (!t.unit) RaiseRuntimeError("指定窗口或窗口组件不存在或尚未载入", 0);
    t.index = static_cast<size_t>(t.unit - t.window->units.data());
    return t;
}

// The live rectangle relative to the unit's parent (the screen for a top-level window).
RECT LiveRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    HWND parent = (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
    if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

PropValue GetCommon(const Target& t, int index) {
    const UnitRecord& rec = *t.unit->record;
    HWND hwnd = t.unit->unit ? t.unit->unit->hwnd() : nullptr;
    if (index <= kPropHeight && hwnd) {
        const RECT r = LiveRect(hwnd);
        const int32_t values[] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
        return PropValue::Integer(values[index]);
    }
    switch (index) {
    case kPropLeft: return PropValue::Integer(rec.left);
    case kPropTop: return PropValue::Integer(rec.top);
    case kPropWidth: return PropValue::Integer(rec.width);
    case kPropHeight: return PropValue::Integer(rec.height);
    case kPropTag: return PropValue::OfText(rec.tag);
    case kPropVisible:
        return PropValue::Integer(hwnd ? (IsWindowVisible(hwnd) ? 1 : 0) : (rec.flags & kUnitVisible ? 1 : 0));
    case kPropDisabled:
        return PropValue::Integer(hwnd ? (IsWindowEnabled(hwnd) ? 0 : 1) : (rec.flags & kUnitDisabled ? 1 : 0));
    case kPropCursor: return PropValue::OfBytes(rec.cursor);
    default: return PropValue::Integer(0);
    }
}

void SetCommon(const Target& t, int index, const PropValue& v) {
    UnitRecord& rec = *t.unit->record;
    HWND hwnd = t.unit->unit ? t.unit->unit->hwnd() : nullptr;
    const RECT live = hwnd ? LiveRect(hwnd) : RECT{rec.left, rec.top, rec.left + rec.width, rec.top + rec.height};
    constexpr UINT kMoveFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    constexpr UINT kSizeFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    switch (index) {
    case kPropLeft:
        rec.left = std::clamp(v.i, -kPositionLimit, kPositionLimit);
        if (hwnd) SetWindowPos(hwnd, nullptr, rec.left, live.top, 0, 0, kMoveFlags);
        break;
    case kPropTop:
        rec.top = std::clamp(v.i, -kPositionLimit, kPositionLimit);
        if (hwnd) SetWindowPos(hwnd, nullptr, live.left, rec.top, 0, 0, kMoveFlags);
        break;
    case kPropWidth:
        rec.width = std::clamp(v.i, 0, kPositionLimit);
        if (hwnd) SetWindowPos(hwnd, nullptr, 0, 0, rec.width, live.bottom - live.top, kSizeFlags);
        break;
    case kPropHeight:
        rec.height = std::clamp(v.i, 0, kPositionLimit);
        if (hwnd) SetWindowPos(hwnd, nullptr, 0, 0, live.right - live.left, rec.height, kSizeFlags);
        break;
    case kPropTag:
        rec.tag = v.s;
        break;
    case kPropVisible: {
        const bool visible = v.i != 0;
        rec.flags = visible ? (rec.flags | kUnitVisible) : (rec.flags & ~kUnitVisible);
        t.unit->recordedVisible = visible;
        if (!hwnd) break;
        if (!visible) {
            ShowWindow(hwnd, SW_HIDE);
        } else if (!InNonSelectedPage(*t.window, t.index)) {
            // A unit on a page that is not selected stays hidden until its page shows.
            ShowWindow(hwnd, SW_SHOW);
        }
        break;
    }
    case kPropDisabled: {
        const bool disabled = v.i != 0;
        rec.flags = disabled ? (rec.flags | kUnitDisabled) : (rec.flags & ~kUnitDisabled);
        if (hwnd) EnableWindow(hwnd, disabled ? FALSE : TRUE);
        break;
    }
    case kPropCursor: {
        rec.cursor = v.s;
        if (t.unit->ownsCursor && t.unit->cursor) DestroyCursor(t.unit->cursor);
        t.unit->cursor = CursorFromBlob(rec.cursor, &t.unit->ownsCursor);
        // Moving the pointer onto itself makes the new shape show at once.
        POINT pt;
        if (GetCursorPos(&pt)) SetCursorPos(pt.x, pt.y);
        break;
    }
    default:
        break;
    }
}

// Rebuilds a control with its current own properties, in place: same parent, rectangle,
// identifier, stacking and visibility.
void Recreate(const Target& t) {
    Unit* old = t.unit->unit;
    if (!old || !t.unit->type || !t.unit->type->query) return;
    auto serialise = reinterpret_cast<UnitSerialiseFn>(t.unit->type->query(kEntrySerialise));
    auto create = reinterpret_cast<UnitCreateFn>(t.unit->type->query(kEntryCreate));
    if (!serialise || !create) return;
    t.unit->record->ownProperties = serialise(old);
    HWND oldHwnd = old->hwnd();
    HWND parent = GetParent(oldHwnd);
    const RECT r = LiveRect(oldHwnd);
    const LONG style = GetWindowLongW(oldHwnd, GWL_STYLE);
    const int id = GetDlgCtrlID(oldHwnd);
    const UnitRecord& rec = *t.unit->record;
    UnitCreateArgs a;
    a.ownProperties = reinterpret_cast<const uint8_t*>(rec.ownProperties.data());
    a.ownPropertiesSize = rec.ownProperties.size();
    a.style = static_cast<DWORD>(style) & (WS_DISABLED | WS_TABSTOP);
    a.parent = parent;
    a.controlId = id;
    a.left = r.left;
    a.top = r.top;
    a.width = r.right - r.left;
    a.height = r.bottom - r.top;
    a.windowId = t.window->windowId;
    a.unitId = t.window->entry->unitIds[t.index];
    Unit* fresh = create(a);
    if (!fresh) return;
    SetWindowPos(fresh->hwnd(), oldHwnd, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    DestroyWindow(oldHwnd);
    t.unit->unit = fresh;
    ShowWindow(fresh->hwnd(), t.unit->recordedVisible ? SW_SHOWNA : SW_HIDE);
}

struct PropertyCall {
    uint32_t windowId;
    uint32_t unitId;
    int index;
    const PropValue* in;
    PropValue out;
};

void DoGet(void* context) {
    auto* call = static_cast<PropertyCall*>(context);
    Target t = Resolve(call->windowId, call->unitId);
    if (call->index < kFirstOwnProperty) {
        call->out = GetCommon(t, call->index);
        return;
    }
    if (!t.unit->unit) RaiseRuntimeError("指定窗口尚未载入", 0);
    auto get = t.unit->type && t.unit->type->query
                   ? reinterpret_cast<UnitGetFn>(t.unit->type->query(kEntryGetProperty))
                   : nullptr;
    if (get) get(t.unit->unit, call->index - kFirstOwnProperty, &call->out);
}

void DoSet(void* context) {
    auto* call = static_cast<PropertyCall*>(context);
    Target t = Resolve(call->windowId, call->unitId);
    if (call->index < kFirstOwnProperty) {
        SetCommon(t, call->index, *call->in);
        return;
    }
    if (!t.unit->unit) RaiseRuntimeError("指定窗口尚未载入", 0);
    auto set = t.unit->type && t.unit->type->query
                   ? reinterpret_cast<UnitSetFn>(t.unit->type->query(kEntrySetProperty))
                   : nullptr;
    if (set && set(t.unit->unit, call->index - kFirstOwnProperty, *call->in) == 1) Recreate(t);
}

}  // namespace

PropValue GetProperty(uint32_t windowId, uint32_t unitId, int index) {
    PropertyCall call{windowId, unitId, index, nullptr, {}};
    // Once the end has begun a late request from a worker has nothing left to act on; the
    // main thread checks again when the request arrives there.
    if (ProgramEnding()) return call.out;
    RunOnMainThread(&DoGet, &call);
    return call.out;
}

void SetProperty(uint32_t windowId, uint32_t unitId, int index, const PropValue& value) {
    PropertyCall call{windowId, unitId, index, &value, {}};
    if (ProgramEnding()) return;
    RunOnMainThread(&DoSet, &call);
}

HWND GetUnitHandle(uint32_t windowId, uint32_t unitId) {
    LoadedWindow* w = FindLoadedWindow(windowId);
    LoadedUnit* u = w && w->hwnd ? FindUnit(*w, unitId) : nullptr;
    if (!u || !u->unit) RaiseRuntimeError("指定窗口或窗口组件不存在或尚未载入", 0);
    return u->unit->hwnd();
}

Unit* LookupUnit(uint32_t windowId, uint32_t unitId) {
    LoadedWindow* w = FindLoadedWindow(windowId);
    if (!w || !w->hwnd) return nullptr;
    LoadedUnit* u = FindUnit(*w, unitId);
    return u ? u->unit : nullptr;
}

}  // namespace quill
