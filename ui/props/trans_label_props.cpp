#include "ui/props/trans_label_props.h"

#include "ui/byte_stream.h"
#include "ui/props/clamp.h"

namespace quill {

std::string TransLabelProps::Write() const {
    ByteWriter w;
    w.i32(kVersion);
    w.i32(effect);
    w.u32(textColour);
    w.i32(hAlign);
    w.i32(vAlign);
    w.i32(wordWrap);
    w.blob(font);
    w.blob(caption);
    return w.take();
}

bool TransLabelProps::Read(const uint8_t* data, size_t size) {
    *this = TransLabelProps{};
    if (size == 0) return true;
    ByteReader r(data, size);
    const int32_t version = r.i32();
    if (version < 0 || version > kVersion) return false;
    effect = Clamp(r.i32(), 0, 3);
    textColour = r.u32();
    hAlign = Clamp(r.i32(), 0, 2);
    vAlign = Clamp(r.i32(), 0, 2);
    wordWrap = r.i32();
    font = r.blob();
    caption = r.blob();
    return r.ok();
}

}  // namespace quill
