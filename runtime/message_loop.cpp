// The message loop with its idle processing, and the pre-translation that turns input
// messages into the common unit events.
#include <windows.h>

#include <string>

#include "base/wide_text.h"
#include "runtime/frame.h"
#include "runtime/runtime_state.h"

namespace quill {

namespace {

bool AnyWindowLoaded() {
    for (const LoadedWindow& w : State().windows)
        if (w.hwnd) return true;
    return false;
}

void RunIdleCallbacks() {
    RuntimeState& s = State();
    for (size_t i = s.idleCallbacks.size(); i-- > 0;) {
        if (i >= s.idleCallbacks.size()) continue;
        IdleEntry e = s.idleCallbacks[i];
        if (!IsWindow(e.window)) {
            s.idleCallbacks.erase(s.idleCallbacks.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        e.routine(e.argument);
    }
}

// One idle step with the running idle count n; true when it wants more idle time.
bool IdleStep(long n) {
    RuntimeState& s = State();
    if (n == 0) {
        s.idleStart = GetTickCount();
        s.idleFinished.clear();
        s.frameworkIdlePending = true;
    }
    if (s.frameworkIdlePending) {
        // The framework's own idle work has nothing to do beyond its first pass.
        s.frameworkIdlePending = (n == 0);
        return true;
    }
    if (n < 2) return true;
    bool wantMore = false;
    const auto elapsed = static_cast<int32_t>(GetTickCount() - s.idleStart);
    for (size_t i = 0; i < s.windows.size(); ++i) {
        LoadedWindow& w = s.windows[i];
        if (!w.hwnd) continue;
        bool finished = false;
        for (uint32_t id : s.idleFinished) finished = finished || id == w.windowId;
        if (finished) continue;
        EventRecord rec;
        rec.windowId = w.windowId;
        rec.unitId = kWindowUnitId;
        rec.event = kWindowIdle;
        rec.argCount = 1;
        rec.args[0] = elapsed;
        if (FireEvent(rec) && rec.hasResult && rec.result != 0) {
            wantMore = true;
        } else {
            s.idleFinished.push_back(w.windowId);
        }
    }
    return wantMore;
}

bool IsInputMessage(UINT msg) {
    return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
           (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONDBLCLK);
}

}  // namespace

int32_t InputKeyState() {
    int32_t state = 0;
    if (GetKeyState(VK_CONTROL) < 0) state |= 1;
    if (GetKeyState(VK_SHIFT) < 0) state |= 2;
    if (GetKeyState(VK_MENU) < 0) state |= 4;
    return state;
}

namespace {

bool IsHighSurrogate(WPARAM unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(WPARAM unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code a handler sees for the character of `units`: its bytes in the system's texts,
// the first one highest, so a GBK character has the code its two bytes always had.
int32_t CharacterCode(std::wstring_view units) {
    uint32_t code = 0;
    for (unsigned char b : FromWide(units)) code = code << 8 | b;
    return static_cast<int32_t>(code);
}

// The UTF-16 units of the first character of a code that a handler gave back.
std::wstring CharacterOfCode(int32_t code) {
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto b = static_cast<char>(static_cast<uint32_t>(code) >> shift & 0xFF);
        if (b != 0 || !bytes.empty()) bytes.push_back(b);
    }
    const std::wstring units = ToWide(bytes);
    return units.substr(0, units.size() > 1 && IsHighSurrogate(units[0]) ? 2 : 1);
}

}  // namespace

bool PreTranslateInput(MSG& msg, MSG* following) {
    if (following) following->message = 0;
    int32_t event = 0;
    int32_t args[3] = {0, 0, 0};
    int32_t count = 0;
    const auto x = static_cast<int32_t>(LOWORD(msg.lParam));
    const auto y = static_cast<int32_t>(HIWORD(msg.lParam));
    switch (msg.message) {
    case WM_MOUSEMOVE: event = kEventMouseMove; break;
    case WM_LBUTTONDOWN: event = kEventLButtonDown; break;
    case WM_LBUTTONUP: event = kEventLButtonUp; break;
    case WM_LBUTTONDBLCLK: event = kEventLButtonDblClk; break;
    case WM_RBUTTONDOWN: event = kEventRButtonDown; break;
    case WM_RBUTTONUP: event = kEventRButtonUp; break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: event = kEventKeyDown; break;
    case WM_KEYUP:
    case WM_SYSKEYUP: event = kEventKeyUp; break;
    case WM_CHAR: event = kEventChar; break;
    case WM_MOUSEWHEEL: event = kEventWheel; break;
    default: return true;
    }
    switch (event) {
    case kEventKeyDown:
    case kEventKeyUp:
        args[0] = static_cast<int32_t>(msg.wParam);
        args[1] = InputKeyState();
        count = 2;
        break;
    case kEventChar: count = 1; break;  // the code is known once the character is whole
    case kEventWheel:
        args[0] = static_cast<int16_t>(HIWORD(msg.wParam)) / WHEEL_DELTA;
        args[1] = InputKeyState();
        count = 2;
        break;
    default:
        args[0] = x;
        args[1] = y;
        args[2] = InputKeyState();
        count = 3;
        break;
    }
    LoadedWindow* window = nullptr;
    LoadedUnit* unit = FindUnitByHandle(msg.hwnd, &window);
    if (!unit || !unit->type || !(unit->type->flags & kTypeRaisesEvents)) return true;
    std::wstring units;
    if (event == kEventChar) {
        // A character outside the Basic Multilingual Plane comes as two messages; its first
        // half waits for the second, and half a character reaches no one.
        MSG& held = State().heldCharacterHalf;
        const MSG first = held;
        held.message = 0;
        if (IsHighSurrogate(msg.wParam)) {
            held = msg;
            return false;
        }
        if (IsLowSurrogate(msg.wParam)) {
            if (first.message != WM_CHAR || first.hwnd != msg.hwnd) return false;
            units = {static_cast<wchar_t>(first.wParam), static_cast<wchar_t>(msg.wParam)};
        } else {
            units = {static_cast<wchar_t>(msg.wParam)};
        }
        args[0] = CharacterCode(units);
    }
    EventRecord rec;
    rec.windowId = window->windowId;
    rec.unitId = window->entry->unitIds[static_cast<size_t>(unit - window->units.data())];
    rec.event = event;
    rec.argCount = count;
    for (int32_t i = 0; i < count; ++i) rec.args[i] = args[i];
    const bool answered = FireEvent(rec) && rec.hasResult;
    if (answered && rec.result == 0) return false;
    if (event != kEventChar) return true;
    if (answered) units = CharacterOfCode(rec.result);
    msg.wParam = units[0];
    if (units.size() > 1 && following) {
        *following = msg;
        following->wParam = units[1];
    }
    return true;
}

void RunMessageLoop() {
    RuntimeState& s = State();
    if (!AnyWindowLoaded()) return;
    s.loopStarted = true;
    bool idleAllowed = true;
    long idleCount = 0;
    MSG msg;
    for (;;) {
        while (idleAllowed && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            RunIdleCallbacks();
            if (!IdleStep(idleCount++)) idleAllowed = false;
        }
        do {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                s.quitCode = got == 0 ? static_cast<int>(msg.wParam) : 0;
                return;
            }
            if (IsInputMessage(msg.message)) {
                idleAllowed = true;
                idleCount = 0;
            }
            MSG following;
            if (!PreTranslateInput(msg, &following)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (following.message) DispatchMessageW(&following);
        } while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

}  // namespace quill
