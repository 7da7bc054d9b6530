// Own property values out of range are clamped, never rejected.
#pragma once

#include <cstdint>

namespace quill {

inline int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace quill
