#include "ui/props/pic_box_props.h"

#include "ui/byte_stream.h"
#include "ui/props/clamp.h"

namespace quill {

std::string PicBoxProps::Write() const {
    ByteWriter w;
    w.i32(kVersion);
    w.i32(border);
    w.u32(background);
    w.i32(pictureMode);
    w.i32(playAnimation);
    w.blob(picture);
    w.blob(dataSource);
    w.blob(dataColumn);
    return w.take();
}

bool PicBoxProps::Read(const uint8_t* data, size_t size) {
    *this = PicBoxProps{};
    if (size == 0) return true;
    ByteReader r(data, size);
    const int32_t version = r.i32();
    if (version < 0 || version > kVersion) return false;
    border = Clamp(r.i32(), 0, 5);
    background = r.u32();
    pictureMode = Clamp(r.i32(), 0, 2);
    playAnimation = r.i32();
    picture = r.blob();
    if (version >= 2) {
        dataSource = r.blob();
        dataColumn = r.blob();
    }
    return r.ok();
}

}  // namespace quill
