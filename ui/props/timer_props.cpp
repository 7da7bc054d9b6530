#include "ui/props/timer_props.h"

namespace quill {

const PropField<TimerProps> TimerProps::kFields[] = {
    IntField<TimerProps>(kPeriod, 1, &TimerProps::period, AtLeast(0)),
};
const size_t TimerProps::kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

std::string TimerProps::Write() const { return PropTable<TimerProps>::Write(*this); }

bool TimerProps::Read(const uint8_t* data, size_t size) { return PropTable<TimerProps>::Read(this, data, size); }

}  // namespace quill
