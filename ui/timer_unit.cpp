#include "ui/timer_unit.h"

#include "ui/own_property.h"

namespace quill {

namespace {

const ControlClass kTimerClass{"QuillTimer", CS_DBLCLKS, IDC_ARROW};

}  // namespace

Unit* Timer::Create(const UnitCreateArgs& args) {
    auto made = std::make_unique<Timer>();
    // The period is read first: the window starts the timer while it is being created.
    if (!made->props_.Read(args.ownProperties, args.ownPropertiesSize)) return nullptr;
    return WithWindow(std::move(made), kTimerClass, 0, (args.style & ~WS_VISIBLE) | WS_CHILD | WS_CLIPSIBLINGS, "",
                      args);
}

void Timer::Start() {
    if (props_.period > 0 && SetTimer(hwnd_, kTimerId, static_cast<UINT>(props_.period), nullptr)) running_ = true;
}

int Timer::SetOwn(int k, const PropValue& value) {
    if (StoreOwnField(&props_, k, value) != Stored::Changed) return 0;
    if (running_) KillTimer(hwnd_, kTimerId);
    running_ = false;
    Start();
    return 0;
}

bool Timer::GetOwn(int k, PropValue* out) const { return GetOwnField(props_, k, out); }

LRESULT Timer::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        Start();
        return Default(msg, wp, lp);
    case WM_TIMER: {
        const LRESULT r = Default(msg, wp, lp);
        if (wp == kTimerId) RaiseEvent(kElapsed);
        return r;
    }
    case WM_DESTROY:
        if (running_) KillTimer(hwnd_, kTimerId);
        running_ = false;
        return Default(msg, wp, lp);
    default: return Default(msg, wp, lp);
    }
}

}  // namespace quill
