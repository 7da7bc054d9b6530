// The installer's constant area: one read-only block, generated at build time from
// data/constant_pool.txt, holding every text, number, byte set and array header the flow
// uses, packed back to back in that file's order. The items' own symbols are declared by
// the generated data/constants.h, which includes this file; code includes that one.
//
// Kinds as stored:
//   texts         GBK bytes and one zero byte (usable as const char*)
//   numbers       8 raw bytes of a double; read with ConstantNumber() (no alignment)
//   byte sets     int32 1, int32 length, bytes; read with StoredByteSet() (runtime/byte_set.h)
//   array headers int32 1, int32 element count; read with ConstantArrayHeader()
// Releasing a pointer into the area is a no-op (IsInConstantArea in runtime/frame.h).
#pragma once

#include <cstdint>
#include <cstring>

#include "runtime/byte_set.h"

extern "C" {

// Bounds of the whole area.
extern const uint8_t ConstantAreaStart[];
extern const uint8_t ConstantAreaEnd[];

}  // extern "C"

namespace quill {

// For ProgramHeader::constantStart / constantSize.
inline const uint8_t* ConstantAreaBegin() { return ConstantAreaStart; }
inline uint32_t ConstantAreaSize() { return static_cast<uint32_t>(ConstantAreaEnd - ConstantAreaStart); }

// Numbers sit at arbitrary byte offsets, so they are copied out rather than dereferenced.
inline double ConstantNumber(const uint8_t* stored) {
    double value;
    std::memcpy(&value, stored, sizeof(value));
    return value;
}

struct ArrayHeader {
    int32_t dimensions;
    int32_t count;
};

inline ArrayHeader ConstantArrayHeader(const uint8_t* stored) {
    ArrayHeader header;
    std::memcpy(&header.dimensions, stored, 4);
    std::memcpy(&header.count, stored + 4, 4);
    return header;
}

}  // namespace quill
