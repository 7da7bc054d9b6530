// Byte sets: as stored constants a dimension count (1) and a length precede the bytes;
// commands that take byte sets see only the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace quill {

struct ByteSetView {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::string str() const { return std::string(reinterpret_cast<const char*>(data), size); }
};

// The stored form: int32 dimension count, int32 length, then the bytes.
inline ByteSetView StoredByteSet(const void* stored) {
    const auto* p = static_cast<const uint8_t*>(stored);
    int32_t length;
    std::memcpy(&length, p + 4, 4);
    return ByteSetView{p + 8, length > 0 ? static_cast<size_t>(length) : 0};
}

inline ByteSetView ViewOf(const std::string& bytes) {
    return ByteSetView{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

}  // namespace quill
