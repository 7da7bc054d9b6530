// Own properties of the progress bar in their stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

namespace quill {

struct ProcessBarProps {
    static constexpr int32_t kVersion = 1;
    static constexpr int32_t kLimit = 32767;  // the system control's range is 16-bit

    int32_t border = 3;  // as the label's window borders 0..5
    int32_t vertical = 0;
    int32_t smooth = 0;
    int32_t minimum = 0;
    int32_t maximum = 100;
    int32_t position = 0;

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above 1 or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
