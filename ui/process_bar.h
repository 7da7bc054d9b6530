// ProcessBar: the system progress bar ("msctls_progress32") with a stored range and
// position. Its style (vertical, smooth) is fixed at creation, so changing either asks the
// runtime to re-create the control.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/unit.h"
#include "ui/props/process_bar_props.h"

namespace quill {

class ProcessBar : public Unit {
public:
    enum Property { kBorder = 0, kVertical, kSmooth, kMinimum, kMaximum, kPosition };

    static Unit* Create(const UnitCreateArgs& args);
    static UnitRoutine Query(int entry) { return UnitQuery<ProcessBar>::Query(entry); }

    int SetOwn(int k, const PropValue& value) override;
    bool GetOwn(int k, PropValue* out) const override;
    std::string SerialiseOwn() const override { return props_.Write(); }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
    void SendRange();
    void SendPosition();

    ProcessBarProps props_;
};

}  // namespace quill
