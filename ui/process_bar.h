// ProcessBar: the system progress bar ("msctls_progress32") with a stored range and
// position. Its style (vertical, smooth) is fixed at creation, so changing either asks the
// runtime to re-create the control.
#pragma once

#include <windows.h>

#include <string>

#include "ui/control.h"
#include "ui/props/process_bar_props.h"

namespace quill {

class ProcessBar : public Control, public ProcessBarIndex {
public:
    static Unit* Create(const UnitCreateArgs& args);
    static UnitRoutine Query(int entry) { return UnitQuery<ProcessBar>::Query(entry); }

    int SetOwn(int k, const PropValue& value) override;
    bool GetOwn(int k, PropValue* out) const override;
    std::string SerialiseOwn() const override { return props_.Write(); }

    // A progress bar as the system's own is read: its share done, "0%" to "100%".
    void Describe(AccessibleFacts* facts) const override;

private:
    void SendRange();
    void SendPosition();

    ProcessBarProps props_;
};

}  // namespace quill
