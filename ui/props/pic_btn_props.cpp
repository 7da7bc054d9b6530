#include "ui/props/pic_btn_props.h"

#include "ui/byte_stream.h"
#include "ui/props/clamp.h"

namespace quill {

std::string PicBtnProps::Write() const {
    ByteWriter w;
    w.i32(kVersion);
    w.i32(toggle);
    w.i32(selected);
    w.u32(transparent);
    w.blob(normal);
    w.blob(hover);
    w.blob(pressed);
    w.blob(disabled);
    return w.take();
}

bool PicBtnProps::Read(const uint8_t* data, size_t size) {
    *this = PicBtnProps{};
    if (size == 0) return true;
    ByteReader r(data, size);
    const int32_t version = r.i32();
    if (version < 0 || version > kVersion) return false;
    toggle = r.i32();
    selected = r.i32();
    transparent = r.u32();
    normal = r.blob();
    hover = r.blob();
    pressed = r.blob();
    disabled = r.blob();
    if (!r.ok()) return false;
    toggle = Clamp(toggle, 0, 1);
    return true;
}

}  // namespace quill
