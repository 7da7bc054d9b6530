#include "ui/libraries.h"
#include "ui/trans_label.h"

namespace quill {

namespace {

NotifyFn g_frame = nullptr;

intptr_t ExtNotify(int code, intptr_t a, intptr_t b, intptr_t c) {
    (void)b;
    (void)c;
    if (code == kNotifyStart) {
        g_frame = reinterpret_cast<NotifyFn>(a);
        return 0;
    }
    return -1;
}

const UnitTypeInfo kExtTypes[] = {
    {0x0005, "TransLabel", "透明标签", kTypeRaisesEvents | kTypeWindowUnit, &TransLabel::Query},
};

}  // namespace

NotifyFn ExtLibraryFrame() { return g_frame; }

const SupportLibrary kExtLibrary = {"extended interface", kExtTypes, sizeof(kExtTypes) / sizeof(kExtTypes[0]),
                                    &ExtNotify};

}  // namespace quill
