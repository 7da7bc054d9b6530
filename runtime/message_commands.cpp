// The message box command.
#include <windows.h>

#include <string>

#include "base/wide_text.h"
#include "runtime/commands.h"

namespace quill {

int32_t ShowMessage(const std::string& content, int32_t style, std::optional<std::string> caption) {
    const std::string title = caption ? *caption : std::string("信息：");
    UINT flags = static_cast<UINT>(style);
    // Without an owner a box would let the user go on working in the program's windows;
    // task-modal disables them, unless the caller asked for a system-modal box.
    if (!(flags & MB_SYSTEMMODAL)) flags |= MB_TASKMODAL;
    int button = MessageBoxW(nullptr, ToWide(content).c_str(), ToWide(title).c_str(), flags);
    // IDOK .. IDNO (1..7) become the button codes 0..6; anything else counts as OK.
    if (button >= IDOK && button <= IDNO) return button - 1;
    return 0;
}

}  // namespace quill
