// Recognising the picture formats the controls accept from their first bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quill {

enum class PictureFormat { None, Jpeg, Bmp, Icon, Cursor, Gif, Pcx };

// None for fewer than 6 bytes or any start that is not one of the formats.
PictureFormat DetectPictureFormat(const void* data, size_t size);

}  // namespace quill
