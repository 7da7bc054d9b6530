// Own properties of the picture button in their stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

namespace quill {

struct PicBtnProps {
    static constexpr int32_t kVersion = 1;
    static constexpr uint32_t kNoColour = 0xFF000000;

    int32_t toggle = 0;  // 1 = two-state button
    int32_t selected = 0;
    uint32_t transparent = kNoColour;
    std::string normal, hover, pressed, disabled;  // picture bytes

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above 1 or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
