// The one description of a unit type's stored own properties: a table with a row per
// property (own index k, position in the stored record, the version that brought it, kind
// and range). Reading, writing and the clamp of a property write all follow the table, so
// the stored order and the ranges are written down once.
// Plain C++ with no Windows headers, so the host-side template generator shares it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "runtime/byte_stream.h"

namespace quill {

enum class FieldKind : uint8_t { Int, Colour, Text, Bytes };

struct FieldRange {
    int32_t lo = std::numeric_limits<int32_t>::min();
    int32_t hi = std::numeric_limits<int32_t>::max();
    int32_t Clamp(int32_t v) const { return v < lo ? lo : v > hi ? hi : v; }
};
constexpr FieldRange kAnyValue{};
constexpr FieldRange kLogical{0, 1};
constexpr FieldRange AtLeast(int32_t lo) { return FieldRange{lo, std::numeric_limits<int32_t>::max()}; }

template <class P>
struct PropField {
    int k;       // own property index (property index 8 + k)
    int stored;  // 1-based position in the stored record, after the version
    int since;   // the first version that stores it
    FieldKind kind;
    FieldRange range;  // Int only
    int32_t P::*integer;
    uint32_t P::*colour;
    std::string P::*text;  // texts and byte arrays
};

template <class P>
constexpr PropField<P> IntField(int k, int stored, int32_t P::*m, FieldRange range = kAnyValue, int since = 0) {
    return {k, stored, since, FieldKind::Int, range, m, nullptr, nullptr};
}
template <class P>
constexpr PropField<P> ColourField(int k, int stored, uint32_t P::*m, int since = 0) {
    return {k, stored, since, FieldKind::Colour, kAnyValue, nullptr, m, nullptr};
}
template <class P>
constexpr PropField<P> TextField(int k, int stored, std::string P::*m, int since = 0) {
    return {k, stored, since, FieldKind::Text, kAnyValue, nullptr, nullptr, m};
}
template <class P>
constexpr PropField<P> BytesField(int k, int stored, std::string P::*m, int since = 0) {
    return {k, stored, since, FieldKind::Bytes, kAnyValue, nullptr, nullptr, m};
}

// A record type P provides `static constexpr int32_t kVersion` and
// `static const PropField<P> kFields[]` with `static const size_t kFieldCount`.
template <class P>
struct PropTable {
    static const PropField<P>* begin() { return P::kFields; }
    static const PropField<P>* end() { return P::kFields + P::kFieldCount; }

    static const PropField<P>* Find(int k) {
        for (const PropField<P>& f : PropTable()) {
            if (f.k == k) return &f;
        }
        return nullptr;
    }
    // The row stored at `position` (1-based), or null.
    static const PropField<P>* AtStored(int position) {
        for (const PropField<P>& f : PropTable()) {
            if (f.stored == position) return &f;
        }
        return nullptr;
    }

    // The current version, then every field in stored order.
    static std::string Write(const P& p) {
        ByteWriter w;
        w.i32(P::kVersion);
        for (size_t i = 1; i <= P::kFieldCount; ++i) {
            const PropField<P>* f = AtStored(static_cast<int>(i));
            if (!f) continue;
            switch (f->kind) {
            case FieldKind::Int: w.i32(p.*(f->integer)); break;
            case FieldKind::Colour: w.u32(p.*(f->colour)); break;
            case FieldKind::Text:
            case FieldKind::Bytes: w.blob(p.*(f->text)); break;
            }
        }
        return w.take();
    }

    // Resets to the defaults, then reads the fields of the stored version, clamping
    // integers to their ranges. False for a version above P::kVersion or a cut record;
    // no bytes at all give the defaults.
    static bool Read(P* p, const uint8_t* data, size_t size) {
        *p = P{};
        if (size == 0) return true;
        ByteReader r(data, size);
        const int32_t version = r.i32();
        if (version < 0 || version > P::kVersion) return false;
        for (size_t i = 1; i <= P::kFieldCount; ++i) {
            const PropField<P>* f = AtStored(static_cast<int>(i));
            if (!f || f->since > version) continue;
            switch (f->kind) {
            case FieldKind::Int: p->*(f->integer) = f->range.Clamp(r.i32()); break;
            case FieldKind::Colour: p->*(f->colour) = r.u32(); break;
            case FieldKind::Text:
            case FieldKind::Bytes: p->*(f->text) = r.blob(); break;
            }
        }
        return r.ok();
    }
};

}  // namespace quill
