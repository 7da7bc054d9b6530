#include "ui/props/pic_box_props.h"

namespace quill {

using B = PicBoxProps;

const PropField<B> B::kFields[] = {
    IntField<B>(kBorder, 1, &B::border, {0, 5}),
    ColourField<B>(kBackground, 2, &B::background),
    BytesField<B>(kPicture, 5, &B::picture),
    IntField<B>(kPictureMode, 3, &B::pictureMode, {0, 2}),
    IntField<B>(kPlayAnimation, 4, &B::playAnimation),
    TextField<B>(kDataSource, 6, &B::dataSource, 2),
    TextField<B>(kDataColumn, 7, &B::dataColumn, 2),
};
const size_t B::kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

std::string PicBoxProps::Write() const { return PropTable<PicBoxProps>::Write(*this); }

bool PicBoxProps::Read(const uint8_t* data, size_t size) { return PropTable<PicBoxProps>::Read(this, data, size); }

}  // namespace quill
