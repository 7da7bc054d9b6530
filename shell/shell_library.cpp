#include "shell/shell_library.h"

namespace quill {

namespace {

NotifyFn g_frame = nullptr;

intptr_t ShellNotify(int code, intptr_t a, intptr_t b, intptr_t c) {
    (void)b;
    (void)c;
    if (code == kNotifyStart) {
        g_frame = reinterpret_cast<NotifyFn>(a);
        return 0;
    }
    return -1;
}

}  // namespace

// Offers commands only, no unit types.
const SupportLibrary kShellLibrary = {"shell", nullptr, 0, &ShellNotify};

}  // namespace quill
