#include "ui/props/process_bar_props.h"

namespace quill {

using B = ProcessBarProps;

const PropField<B> B::kFields[] = {
    IntField<B>(kBorder, 1, &B::border, {0, 5}),
    IntField<B>(kVertical, 2, &B::vertical, kLogical),
    IntField<B>(kSmooth, 3, &B::smooth, kLogical),
    IntField<B>(kMinimum, 4, &B::minimum, {0, kLimit}),
    IntField<B>(kMaximum, 5, &B::maximum, {0, kLimit}),
    IntField<B>(kPosition, 6, &B::position, {0, kLimit}),
};
const size_t B::kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

std::string ProcessBarProps::Write() const { return PropTable<ProcessBarProps>::Write(*this); }

bool ProcessBarProps::Read(const uint8_t* data, size_t size) { return PropTable<ProcessBarProps>::Read(this, data, size); }

}  // namespace quill
