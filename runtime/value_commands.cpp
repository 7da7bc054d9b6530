// Number and conversion commands.
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/commands.h"

namespace quill {

int32_t BitOr(std::initializer_list<int32_t> values) {
    uint32_t result = 0;
    for (int32_t v : values) result |= static_cast<uint32_t>(v);
    return static_cast<int32_t>(result);
}

std::string ToText(const uint8_t* bytes, size_t count) {
    if (bytes == nullptr) return {};
    // Fixed-size name fields of system records are padded with zeros.
    const void* zero = std::memchr(bytes, 0, count);
    size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes) : count;
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

std::string ToText(const std::vector<uint8_t>& bytes) { return ToText(bytes.data(), bytes.size()); }

std::string ToText(int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    return buffer;
}

std::string ToText(int64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return buffer;
}

std::string ToText(uint8_t value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(value));
    return buffer;
}

std::string ToText(int16_t value) { return ToText(static_cast<int32_t>(value)); }

std::string ToTextLogical(bool value) { return value ? "真" : "假"; }

}  // namespace quill
