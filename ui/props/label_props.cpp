#include "ui/props/label_props.h"

namespace quill {

using L = LabelProps;

const PropField<L> L::kFields[] = {
    TextField<L>(kCaption, 19, &L::caption),
    IntField<L>(kEffect, 1, &L::effect, {0, 3}),
    IntField<L>(kBorder, 3, &L::border, {0, 6}),
    IntField<L>(kGradientWidth, 2, &L::gradientWidth, AtLeast(kMinGradientWidth)),
    ColourField<L>(kBorderColour1, 4, &L::borderColour1),
    ColourField<L>(kBorderColour2, 5, &L::borderColour2),
    ColourField<L>(kBorderColour3, 6, &L::borderColour3),
    BytesField<L>(kFont, 17, &L::font),
    ColourField<L>(kTextColour, 7, &L::textColour),
    ColourField<L>(kBackground, 8, &L::background),
    BytesField<L>(kPicture, 18, &L::picture),
    IntField<L>(kPictureMode, 9, &L::pictureMode, {0, 2}),
    IntField<L>(kGradientMode, 10, &L::gradientMode, {0, 8}),
    ColourField<L>(kGradientColour1, 11, &L::gradientColour1),
    ColourField<L>(kGradientColour2, 12, &L::gradientColour2),
    ColourField<L>(kGradientColour3, 13, &L::gradientColour3),
    IntField<L>(kHAlign, 14, &L::hAlign, {0, 2}),
    IntField<L>(kWordWrap, 16, &L::wordWrap),
    IntField<L>(kVAlign, 15, &L::vAlign, {0, 2}),
    TextField<L>(kDataSource, 20, &L::dataSource, 2),
    TextField<L>(kDataColumn, 21, &L::dataColumn, 2),
};
const size_t L::kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

std::string LabelProps::Write() const { return PropTable<LabelProps>::Write(*this); }

bool LabelProps::Read(const uint8_t* data, size_t size) { return PropTable<LabelProps>::Read(this, data, size); }

}  // namespace quill
