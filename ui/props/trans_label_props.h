// Own properties of the transparent label in their stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

#include "ui/props/prop_table.h"

namespace quill {

// Own property indexes k (property index 8 + k), shared by the record and the control.
struct TransLabelIndex {
    enum Property { kCaption = 0, kEffect, kFont, kTextColour, kHAlign, kWordWrap, kVAlign };
};

struct TransLabelProps : TransLabelIndex {
    static constexpr int32_t kVersion = 1;
    static const PropField<TransLabelProps> kFields[];
    static const size_t kFieldCount;

    std::string caption = "透明标签";
    int32_t effect = 0;  // 0 plain, 1 sunken, 2 raised, 3 shadow
    std::string font;    // 60-byte LOGFONT or empty
    uint32_t textColour = 0;
    int32_t hAlign = 0;
    int32_t wordWrap = 0;
    int32_t vAlign = 1;

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above kVersion or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
