#include "ui/props/label_props.h"

#include "ui/byte_stream.h"
#include "ui/props/clamp.h"

namespace quill {

std::string LabelProps::Write() const {
    ByteWriter w;
    w.i32(kVersion);
    w.i32(effect);
    w.i32(gradientWidth);
    w.i32(border);
    w.u32(borderColour1);
    w.u32(borderColour2);
    w.u32(borderColour3);
    w.u32(textColour);
    w.u32(background);
    w.i32(pictureMode);
    w.i32(gradientMode);
    w.u32(gradientColour1);
    w.u32(gradientColour2);
    w.u32(gradientColour3);
    w.i32(hAlign);
    w.i32(vAlign);
    w.i32(wordWrap);
    w.blob(font);
    w.blob(picture);
    w.blob(caption);
    w.blob(dataSource);
    w.blob(dataColumn);
    return w.take();
}

bool LabelProps::Read(const uint8_t* data, size_t size) {
    *this = LabelProps{};
    if (size == 0) return true;
    ByteReader r(data, size);
    const int32_t version = r.i32();
    if (version < 0 || version > kVersion) return false;
    effect = Clamp(r.i32(), 0, 3);
    gradientWidth = r.i32();
    if (gradientWidth < kMinGradientWidth) gradientWidth = kMinGradientWidth;
    border = Clamp(r.i32(), 0, 6);
    borderColour1 = r.u32();
    borderColour2 = r.u32();
    borderColour3 = r.u32();
    textColour = r.u32();
    background = r.u32();
    pictureMode = Clamp(r.i32(), 0, 2);
    gradientMode = Clamp(r.i32(), 0, 8);
    gradientColour1 = r.u32();
    gradientColour2 = r.u32();
    gradientColour3 = r.u32();
    hAlign = Clamp(r.i32(), 0, 2);
    vAlign = Clamp(r.i32(), 0, 2);
    wordWrap = r.i32();
    font = r.blob();
    picture = r.blob();
    caption = r.blob();
    if (version >= 2) {
        dataSource = r.blob();
        dataColumn = r.blob();
    }
    return r.ok();
}

}  // namespace quill
