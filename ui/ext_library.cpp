#include "ui/libraries.h"
#include "ui/trans_label.h"

namespace quill {

namespace {

struct ExtComponent;
using ExtFrame = FrameLink<ExtComponent>;

const UnitTypeInfo kExtTypes[] = {
    {0x0005, "TransLabel", "透明标签", kTypeRaisesEvents | kTypeWindowUnit | kTypeDraggable, &TransLabel::Query},
};

}  // namespace

NotifyFn ExtLibraryFrame() { return ExtFrame::entry.load(); }

const SupportLibrary kExtLibrary = {"extended interface", kExtTypes, sizeof(kExtTypes) / sizeof(kExtTypes[0]),
                                    &ExtFrame::Notify};

}  // namespace quill
