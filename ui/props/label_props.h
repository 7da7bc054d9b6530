// Own properties of the label in their stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

#include "ui/props/prop_table.h"

namespace quill {

// Own property indexes k (property index 8 + k), shared by the record and the control.
struct LabelIndex {
    enum Property {
        kCaption = 0, kEffect, kBorder, kGradientWidth, kBorderColour1, kBorderColour2, kBorderColour3,
        kFont, kTextColour, kBackground, kPicture, kPictureMode, kGradientMode, kGradientColour1,
        kGradientColour2, kGradientColour3, kHAlign, kWordWrap, kVAlign, kDataSource, kDataColumn
    };
};

struct LabelProps : LabelIndex {
    static constexpr int32_t kVersion = 2;
    static constexpr uint32_t kDefaultColour = 0xFF000000;
    static constexpr int32_t kMinGradientWidth = 5;
    static const PropField<LabelProps> kFields[];
    static const size_t kFieldCount;

    std::string caption = "标签";
    int32_t effect = 0;
    int32_t border = 0;  // 0..5 window borders, 6 drawn gradient border
    int32_t gradientWidth = 8;
    uint32_t borderColour1 = 0x00808080;
    uint32_t borderColour2 = 0x00FFFFFF;
    uint32_t borderColour3 = 0x00808080;
    std::string font;
    uint32_t textColour = 0;
    uint32_t background = kDefaultColour;
    std::string picture;
    int32_t pictureMode = 1;   // 0 top left, 1 tiled, 2 centred and shrunk to fit
    int32_t gradientMode = 0;  // 0 none, 1..8
    uint32_t gradientColour1 = 0x00808080;
    uint32_t gradientColour2 = 0x00FFFFFF;
    uint32_t gradientColour3 = 0x00808080;
    int32_t hAlign = 0;
    int32_t wordWrap = 0;
    int32_t vAlign = 1;
    std::string dataSource;
    std::string dataColumn;

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above kVersion or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
