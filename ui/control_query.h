// The query routine of a control type that also lists the texts of its stored properties
// (UnitInterface entry 9) through `static void T::ListTexts(const uint8_t*, size_t,
// TextVisitor, void*)`.
#pragma once

#include "runtime/unit.h"

namespace quill {

template <class T>
struct ControlQuery {
    static UnitRoutine Query(int entry) {
        if (entry == kEntryListTexts)
            return reinterpret_cast<UnitRoutine>(static_cast<UnitListTextsFn>(&T::ListTexts));
        return UnitQuery<T>::Query(entry);
    }
};

}  // namespace quill
