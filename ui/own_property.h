// Own property reads and writes of a control, driven by its record's table: the value's
// kind and the clamp of a write come from the one row of property k.
#pragma once

#include "runtime/unit.h"
#include "ui/props/prop_table.h"

namespace quill {

enum class Stored { Unknown, Same, Changed };

// The stored value of property k; false when the table has no row for k.
template <class P>
bool GetOwnField(const P& p, int k, PropValue* out) {
    const PropField<P>* f = PropTable<P>::Find(k);
    if (!f) return false;
    switch (f->kind) {
    case FieldKind::Int: *out = PropValue::Integer(p.*(f->integer)); break;
    case FieldKind::Colour: *out = PropValue::Integer(static_cast<int32_t>(p.*(f->colour))); break;
    case FieldKind::Text: *out = PropValue::OfText(p.*(f->text)); break;
    case FieldKind::Bytes: *out = PropValue::OfBytes(p.*(f->text)); break;
    }
    return true;
}

// Stores `v` into property k, clamped to its range; says whether the stored value changed.
template <class P>
Stored StoreOwnField(P* p, int k, const PropValue& v) {
    const PropField<P>* f = PropTable<P>::Find(k);
    if (!f) return Stored::Unknown;
    bool changed = false;
    switch (f->kind) {
    case FieldKind::Int: {
        const int32_t value = f->range.Clamp(v.i);
        changed = p->*(f->integer) != value;
        p->*(f->integer) = value;
        break;
    }
    case FieldKind::Colour: {
        const auto value = static_cast<uint32_t>(v.i);
        changed = p->*(f->colour) != value;
        p->*(f->colour) = value;
        break;
    }
    case FieldKind::Text:
    case FieldKind::Bytes:
        changed = p->*(f->text) != v.s;
        p->*(f->text) = v.s;
        break;
    }
    return changed ? Stored::Changed : Stored::Same;
}

}  // namespace quill
