// Starting programs and reaching the native handles of the program's own windows.
#include <windows.h>

#include <string>

#include "base/wide_text.h"
#include "runtime/commands.h"
#include "runtime/frame.h"

namespace quill {

namespace {

// Show modes 1..6 of the command, as window show states for the started program.
WORD ShowStateFor(std::optional<int32_t> showMode) {
    int32_t mode = showMode ? *showMode : 2;
    if (mode > 6) mode = 6;
    if (mode < 1) mode = 1;
    static const WORD kStates[] = {SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED,
                                   SW_SHOWNOACTIVATE, SW_MINIMIZE};
    return kStates[mode - 1];
}

}  // namespace

bool RunProgram(const std::string& commandLine, bool wait, std::optional<int32_t> showMode) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = ShowStateFor(showMode);
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line = ToWide(commandLine);
    PROCESS_INFORMATION process{};
    // No current directory: the program inherits ours, which is the installer's folder.
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    if (wait) {
        WaitForSingleObject(process.hProcess, INFINITE);
    } else {
        // Gives a windowed program the chance to come up before we go on; the answer
        // does not matter (a program without windows answers at once).
        WaitForInputIdle(process.hProcess, 1000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

intptr_t GetWindowHandle(uint32_t windowId, uint32_t unitId) {
    return reinterpret_cast<intptr_t>(GetUnitHandle(windowId, unitId));
}

}  // namespace quill
