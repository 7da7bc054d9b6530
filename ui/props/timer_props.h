// Own property of the timer in its stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

namespace quill {

struct TimerProps {
    static constexpr int32_t kVersion = 1;

    int32_t period = 0;  // milliseconds; 0 = stopped

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above 1 or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
