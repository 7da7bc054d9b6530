#include "ui/props/process_bar_props.h"

#include "ui/byte_stream.h"
#include "ui/props/clamp.h"

namespace quill {

std::string ProcessBarProps::Write() const {
    ByteWriter w;
    w.i32(kVersion);
    w.i32(border);
    w.i32(vertical);
    w.i32(smooth);
    w.i32(minimum);
    w.i32(maximum);
    w.i32(position);
    return w.take();
}

bool ProcessBarProps::Read(const uint8_t* data, size_t size) {
    *this = ProcessBarProps{};
    if (size == 0) return true;
    ByteReader r(data, size);
    const int32_t version = r.i32();
    if (version < 0 || version > kVersion) return false;
    border = Clamp(r.i32(), 0, 5);
    vertical = Clamp(r.i32(), 0, 1);
    smooth = Clamp(r.i32(), 0, 1);
    minimum = Clamp(r.i32(), 0, kLimit);
    maximum = Clamp(r.i32(), 0, kLimit);
    position = Clamp(r.i32(), 0, kLimit);
    return r.ok();
}

}  // namespace quill
