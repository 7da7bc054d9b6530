// Own properties of the progress bar in their stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

#include "ui/props/prop_table.h"

namespace quill {

// Own property indexes k (property index 8 + k), shared by the record and the control.
struct ProcessBarIndex {
    enum Property { kBorder = 0, kVertical, kSmooth, kMinimum, kMaximum, kPosition };
};

struct ProcessBarProps : ProcessBarIndex {
    static constexpr int32_t kVersion = 1;
    static constexpr int32_t kLimit = 32767;  // the system control's range is 16-bit
    static const PropField<ProcessBarProps> kFields[];
    static const size_t kFieldCount;

    int32_t border = 3;  // as the label's window borders 0..5
    int32_t vertical = 0;
    int32_t smooth = 0;
    int32_t minimum = 0;
    int32_t maximum = 100;
    int32_t position = 0;

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above kVersion or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
