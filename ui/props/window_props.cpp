#include "ui/props/window_props.h"

namespace quill {

using W = WindowProps;

const PropField<W> W::kFields[] = {
    TextField<W>(kCaption, 23, &W::caption),
    IntField<W>(kBorder, 1, &W::border, {kNoBorder, kFramedFixed}),
    ColourField<W>(kBackground, 3, &W::background),
    BytesField<W>(kPicture, 20, &W::picture),
    IntField<W>(kPictureMode, 2, &W::pictureMode, {kPictureTopLeft, kPictureStretched}),
    BytesField<W>(kMusic, 22, &W::music),
    IntField<W>(kMusicCount, 9, &W::musicCount, {0, 2}),
    IntField<W>(kControlBox, 6, &W::controlBox),
    IntField<W>(kMaxButton, 4, &W::maxButton),
    IntField<W>(kMinButton, 5, &W::minButton),
    IntField<W>(kPosition, 7, &W::position, {kAsStored, kMaximised}),
    IntField<W>(kMovable, 8, &W::movable),
    BytesField<W>(kIcon, 21, &W::icon),
    IntField<W>(kEnterMovesFocus, 10, &W::enterMovesFocus),
    IntField<W>(kEscCloses, 11, &W::escCloses),
    IntField<W>(kF1Help, 12, &W::f1Help),
    TextField<W>(kHelpFile, 24, &W::helpFile),
    IntField<W>(kHelpContext, 13, &W::helpContext),
    IntField<W>(kInTaskbar, 14, &W::inTaskbar, kAnyValue, 2),
    IntField<W>(kDragAnywhere, 15, &W::dragAnywhere, kAnyValue, 3),
    IntField<W>(kShape, 16, &W::shape, {0, kLastShape}, 3),
    IntField<W>(kTopmost, 17, &W::topmost, kAnyValue, 4),
    IntField<W>(kKeepTitleActive, 18, &W::keepTitleActive, kAnyValue, 5),
    TextField<W>(kClassName, 19, &W::className, 6),
};
const size_t W::kFieldCount = sizeof(kFields) / sizeof(kFields[0]);

std::string WindowProps::Write() const { return PropTable<WindowProps>::Write(*this); }

bool WindowProps::Read(const uint8_t* data, size_t size) { return PropTable<WindowProps>::Read(this, data, size); }

}  // namespace quill
