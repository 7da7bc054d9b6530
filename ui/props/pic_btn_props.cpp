#include "ui/props/pic_btn_props.h"

namespace quill {

using B = PicBtnProps;

const PropField<B> B::kFields[] = {
    IntField<B>(kToggle, 1, &B::toggle, kLogical),
    IntField<B>(kSelected, 2, &B::selected),
    BytesField<B>(kNormal, 4, &B::normal),
    BytesField<B>(kHover, 5, &B::hover),
    BytesField<B>(kPressed, 6, &B::pressed),
    BytesField<B>(kDisabled, 7, &B::disabled),
    ColourField<B>(kTransparent, 3, &B::transparent),
};
const size_t B::kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

std::string PicBtnProps::Write() const { return PropTable<PicBtnProps>::Write(*this); }

bool PicBtnProps::Read(const uint8_t* data, size_t size) { return PropTable<PicBtnProps>::Read(this, data, size); }

}  // namespace quill
