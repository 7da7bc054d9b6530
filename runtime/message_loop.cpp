// The message loop with its idle processing, and the pre-translation that turns input
// messages into the common unit events.
#include <windows.h>

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

bool PreTranslateInput(MSG& msg) {
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
    case kEventChar:
        args[0] = static_cast<int32_t>(msg.wParam);
        count = 1;
        break;
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
    EventRecord rec;
    rec.windowId = window->windowId;
    rec.unitId = window->entry->unitIds[static_cast<size_t>(unit - window->units.data())];
    rec.event = event;
    rec.argCount = count;
    for (int32_t i = 0; i < count; ++i) rec.args[i] = args[i];
    if (!FireEvent(rec) || !rec.hasResult) return true;
    if (rec.result == 0) return false;
    if (event == kEventChar) msg.wParam = static_cast<WPARAM>(rec.result);
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
        while (idleAllowed && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            RunIdleCallbacks();
            if (!IdleStep(idleCount++)) idleAllowed = false;
        }
        do {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                s.quitCode = got == 0 ? static_cast<int>(msg.wParam) : 0;
                return;
            }
            if (IsInputMessage(msg.message)) {
                idleAllowed = true;
                idleCount = 0;
            }
            if (!PreTranslateInput(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

}  // namespace quill
