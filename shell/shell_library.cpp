#include "shell/shell_library.h"

namespace quill {

namespace {

struct ShellComponent;

}  // namespace

// Offers commands only, no unit types.
const SupportLibrary kShellLibrary = {"shell", nullptr, 0, &FrameLink<ShellComponent>::Notify};

}  // namespace quill
