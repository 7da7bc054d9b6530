// Own properties of the picture button in their stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

#include "ui/props/prop_table.h"

namespace quill {

// Own property indexes k (property index 8 + k), shared by the record and the control.
struct PicBtnIndex {
    enum Property { kToggle = 0, kSelected, kNormal, kHover, kPressed, kDisabled, kTransparent };
};

struct PicBtnProps : PicBtnIndex {
    static constexpr int32_t kVersion = 1;
    static constexpr uint32_t kNoColour = 0xFF000000;
    static const PropField<PicBtnProps> kFields[];
    static const size_t kFieldCount;

    int32_t toggle = 0;  // 1 = two-state button
    int32_t selected = 0;
    uint32_t transparent = kNoColour;
    std::string normal, hover, pressed, disabled;  // picture bytes

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above kVersion or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
