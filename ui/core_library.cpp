#include "ui/common_controls.h"
#include "ui/label.h"
#include "ui/libraries.h"
#include "ui/pic_box.h"
#include "ui/pic_btn.h"
#include "ui/process_bar.h"
#include "ui/timer_unit.h"
#include "ui/window_unit.h"

namespace quill {

namespace {

intptr_t CoreNotify(int code, intptr_t a, intptr_t b, intptr_t c) {
    (void)a;
    (void)c;
    // The core library is part of the frame itself; it keeps nothing. Its progress bar's
    // class is there before any window template is read; a run without windows does not
    // pay for loading the common controls.
    if (code == kNotifyStart && b != 0) LoadCommonControls();
    return code == kNotifyStart || code == kNotifyEnd ? 0 : -1;
}

constexpr uint32_t kControlFlags = kTypeRaisesEvents | kTypeWindowUnit;
// A press on a unit of a draggable type moves a window that moves by dragging anywhere;
// buttons, the progress bar and timers keep their presses.
constexpr uint32_t kDraggableFlags = kControlFlags | kTypeDraggable;

const UnitTypeInfo kCoreTypes[] = {
    {0x0001, "window", "窗口", kControlFlags, &WindowUnit::Query},
    {0x0006, "PicBox", "图片框", kDraggableFlags, &PicBox::Query},
    {0x000A, "Label", "标签", kDraggableFlags, &Label::Query},
    {0x0013, "ProcessBar", "进度条", kControlFlags, &ProcessBar::Query},
    {0x0020, "Timer", "时钟", kControlFlags | kTypeStartsHidden, &Timer::Query},
    {0x002D, "PicBtn", "图形按钮", kControlFlags, &PicBtn::Query},
};

}  // namespace

const SupportLibrary kCoreLibrary = {"core", kCoreTypes, sizeof(kCoreTypes) / sizeof(kCoreTypes[0]), &CoreNotify};

}  // namespace quill
