#include "ui/props/window_props.h"

#include "ui/byte_stream.h"

namespace quill {

std::string WindowProps::Write() const {
    ByteWriter w;
    w.i32(kVersion);
    w.i32(border);
    w.i32(pictureMode);
    w.u32(background);
    w.i32(maxButton);
    w.i32(minButton);
    w.i32(controlBox);
    w.i32(position);
    w.i32(movable);
    w.i32(musicCount);
    w.i32(enterMovesFocus);
    w.i32(escCloses);
    w.i32(f1Help);
    w.i32(helpContext);
    w.i32(inTaskbar);
    w.i32(dragAnywhere);
    w.i32(shape);
    w.i32(topmost);
    w.i32(keepTitleActive);
    w.blob(className);
    w.blob(picture);
    w.blob(icon);
    w.blob(music);
    w.blob(caption);
    w.blob(helpFile);
    return w.take();
}

bool WindowProps::Read(const uint8_t* data, size_t size) {
    *this = WindowProps{};
    if (size == 0) return true;
    ByteReader r(data, size);
    const int32_t version = r.i32();
    if (version < 0 || version > kVersion) return false;
    border = r.i32();
    pictureMode = r.i32();
    background = r.u32();
    maxButton = r.i32();
    minButton = r.i32();
    controlBox = r.i32();
    position = r.i32();
    movable = r.i32();
    musicCount = r.i32();
    enterMovesFocus = r.i32();
    escCloses = r.i32();
    f1Help = r.i32();
    helpContext = r.i32();
    if (version >= 2) inTaskbar = r.i32();
    if (version >= 3) {
        dragAnywhere = r.i32();
        shape = r.i32();
    }
    if (version >= 4) topmost = r.i32();
    if (version >= 5) keepTitleActive = r.i32();
    if (version >= 6) className = r.blob();
    picture = r.blob();
    icon = r.blob();
    music = r.blob();
    caption = r.blob();
    helpFile = r.blob();
    return r.ok();
}

}  // namespace quill
