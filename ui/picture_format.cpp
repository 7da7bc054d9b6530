#include "ui/picture_format.h"

#include <cstring>

namespace quill {

PictureFormat DetectPictureFormat(const void* data, size_t size) {
    if (!data || size < 6) return PictureFormat::None;
    const auto* b = static_cast<const uint8_t*>(data);
    if (b[0] == 0xFF && b[1] == 0xD8) return PictureFormat::Jpeg;
    if (b[0] == 'B' && b[1] == 'M') return PictureFormat::Bmp;
    if (b[0] == 0 && b[1] == 0 && b[3] == 0) {
        const unsigned count = b[4] | (b[5] << 8);
        // An icon directory with no image in it is not a picture.
        if (b[2] == 1 && count != 0) return PictureFormat::Icon;
        if (b[2] == 2) return PictureFormat::Cursor;
    }
    if (std::memcmp(b, "GIF87a", 6) == 0 || std::memcmp(b, "GIF89a", 6) == 0) return PictureFormat::Gif;
    // PCX: manufacturer 0x0A, run-length encoding 1, and either 8 bits per pixel with a
    // version up to 5 or the 1-bit pictures of version 3.
    if (b[0] == 0x0A && b[2] == 1 && ((b[1] <= 5 && b[3] == 8) || (b[1] == 3 && b[3] == 1)))
        return PictureFormat::Pcx;
    return PictureFormat::None;
}

}  // namespace quill
