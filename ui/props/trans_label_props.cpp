#include "ui/props/trans_label_props.h"

namespace quill {

using T = TransLabelProps;

const PropField<T> T::kFields[] = {
    TextField<T>(kCaption, 7, &T::caption),
    IntField<T>(kEffect, 1, &T::effect, {0, 3}),
    BytesField<T>(kFont, 6, &T::font),
    ColourField<T>(kTextColour, 2, &T::textColour),
    IntField<T>(kHAlign, 3, &T::hAlign, {0, 2}),
    IntField<T>(kWordWrap, 5, &T::wordWrap),
    IntField<T>(kVAlign, 4, &T::vAlign, {0, 2}),
};
const size_t T::kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

std::string TransLabelProps::Write() const { return PropTable<TransLabelProps>::Write(*this); }

bool TransLabelProps::Read(const uint8_t* data, size_t size) { return PropTable<TransLabelProps>::Read(this, data, size); }

}  // namespace quill
