// Own property of the timer in its stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

#include "ui/props/prop_table.h"

namespace quill {

// Own property index k (property index 8 + k), shared by the record and the control.
struct TimerIndex {
    enum Property { kPeriod = 0 };
};

struct TimerProps : TimerIndex {
    static constexpr int32_t kVersion = 1;
    static const PropField<TimerProps> kFields[];
    static const size_t kFieldCount;

    int32_t period = 0;  // milliseconds; 0 = stopped

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above kVersion or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
