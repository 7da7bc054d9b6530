// Own properties of the window unit in their stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

#include "ui/props/prop_table.h"

namespace quill {

// Own property indexes k (property index 8 + k), shared by the record and the unit.
struct WindowIndex {
    enum Property {
        kCaption = 0, kBorder, kBackground, kPicture, kPictureMode, kMusic, kMusicCount, kControlBox,
        kMaxButton, kMinButton, kPosition, kMovable, kIcon, kEnterMovesFocus, kEscCloses, kF1Help,
        kHelpFile, kHelpContext, kInTaskbar, kDragAnywhere, kShape, kTopmost, kKeepTitleActive, kClassName
    };
    enum Border { kNoBorder = 0, kResizable, kFixed, kNarrowResizable, kNarrowFixed, kFramedResizable, kFramedFixed };
    enum Position { kAsStored = 0, kCentred, kMinimised, kMaximised };
    enum PictureMode { kPictureTopLeft = 0, kPictureTiled, kPictureCentred, kPictureStretched };
};

struct WindowProps : WindowIndex {
    static constexpr int32_t kVersion = 6;
    static constexpr uint32_t kDefaultColour = 0xFF000000;
    static constexpr int32_t kLastShape = 29;
    static const PropField<WindowProps> kFields[];
    static const size_t kFieldCount;

    std::string caption;
    int32_t border = kFixed;
    uint32_t background = kDefaultColour;
    std::string picture;
    int32_t pictureMode = kPictureTiled;
    std::string music;
    int32_t musicCount = 0;
    int32_t controlBox = 1;
    int32_t maxButton = 0;
    int32_t minButton = 0;
    int32_t position = kCentred;
    int32_t movable = 1;
    std::string icon;
    int32_t enterMovesFocus = 0;
    int32_t escCloses = 1;
    int32_t f1Help = 0;
    std::string helpFile;
    int32_t helpContext = 0;
    int32_t inTaskbar = 1;
    int32_t dragAnywhere = 0;
    int32_t shape = 0;  // 0 = rectangle
    int32_t topmost = 0;
    int32_t keepTitleActive = 0;
    std::string className;

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above kVersion or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
