// Timer: a hidden window that raises event 0 every period; a period of 0 stops it.
#pragma once

#include <string>

#include "ui/control.h"
#include "ui/props/timer_props.h"

namespace quill {

class Timer : public Control, public TimerIndex {
public:
    static constexpr UINT_PTR kTimerId = 1000;
    static constexpr int32_t kElapsed = 0;

    static Unit* Create(const UnitCreateArgs& args);
    static UnitRoutine Query(int entry) { return UnitQuery<Timer>::Query(entry); }

    int SetOwn(int k, const PropValue& value) override;
    bool GetOwn(int k, PropValue* out) const override;
    std::string SerialiseOwn() const override { return props_.Write(); }

    bool running() const { return running_; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Start();

    TimerProps props_;
    bool running_ = false;
};

}  // namespace quill
