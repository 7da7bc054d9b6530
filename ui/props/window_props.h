// Own properties of the window unit in their stored, versioned form.
#pragma once

#include <cstdint>
#include <string>

namespace quill {

struct WindowProps {
    static constexpr int32_t kVersion = 6;

    std::string caption;
    int32_t border = 2;  // 0 none ... 6 framed fixed
    uint32_t background = 0xFF000000;
    std::string picture;
    int32_t pictureMode = 1;
    std::string music;
    int32_t musicCount = 0;
    int32_t controlBox = 1;
    int32_t maxButton = 0;
    int32_t minButton = 0;
    int32_t position = 1;  // 0 as stored, 1 centred, 2 minimised, 3 maximised
    int32_t movable = 1;
    std::string icon;
    int32_t enterMovesFocus = 0;
    int32_t escCloses = 1;
    int32_t f1Help = 0;
    std::string helpFile;
    int32_t helpContext = 0;
    int32_t inTaskbar = 1;
    int32_t dragAnywhere = 0;
    int32_t shape = 0;
    int32_t topmost = 0;
    int32_t keepTitleActive = 0;
    std::string className;

    std::string Write() const;
    // Resets to the defaults, then reads; false for a version above 6 or a cut record.
    bool Read(const uint8_t* data, size_t size);
};

}  // namespace quill
