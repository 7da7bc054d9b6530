// Own properties of the picture box in their stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

#include "ui/props/prop_table.h"

namespace quill {

// Own property indexes k (property index 8 + k), shared by the record and the control.
struct PicBoxIndex {
    enum Property { kBorder = 0, kBackground, kPicture, kPictureMode, kPlayAnimation, kDataSource, kDataColumn };
};

struct PicBoxProps : PicBoxIndex {
    static constexpr int32_t kVersion = 2;
    static constexpr uint32_t kDefaultColour = 0xFF000000;
    static const PropField<PicBoxProps> kFields[];
    static const size_t kFieldCount;

    int32_t border = 0;  // as the label's window borders 0..5
    uint32_t background = kDefaultColour;
    std::string picture;
    int32_t pictureMode = 0;  // 0 top left, 1 stretched, 2 centred and shrunk to fit
    int32_t playAnimation = 1;
    std::string dataSource;
    std::string dataColumn;

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above kVersion or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
