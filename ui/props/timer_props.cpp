#include "ui/props/timer_props.h"

#include "ui/byte_stream.h"

namespace quill {

std::string TimerProps::Write() const {
    ByteWriter w;
    w.i32(kVersion);
    w.i32(period);
    return w.take();
}

bool TimerProps::Read(const uint8_t* data, size_t size) {
    *this = TimerProps{};
    if (size == 0) return true;
    ByteReader r(data, size);
    const int32_t version = r.i32();
    if (version < 0 || version > kVersion) return false;
    period = r.i32();
    if (period < 0) period = 0;
    return r.ok();
}

}  // namespace quill
