// The spine of the installer: the start-up routine, the flow state and its exit routine,
// and the window handlers that do not belong to a later stage.
#include <windows.h>

#ifdef QUILL_TEST_HOOKS
#include <cstdio>

#include "flow/staged_install.h"
#endif

#include "base/wide_text.h"
#include "data/constants.h"
#include "flow/command_line.h"
#include "flow/flow_state.h"
#include "flow/handlers.h"
#include "flow/install_location.h"
#include "flow/install_sequence.h"
#include "flow/silent_install.h"
#include "runtime/frame.h"
#include "flow/installer_window.h"
#include "ui/accessible.h"

namespace quill {

namespace {

void FlowExitRoutine() {
    FlowState& f = Flow();
    f.productNames.clear();
    f.productNames.shrink_to_fit();
    f.productName.clear();
    f.productList.clear();
    // Whichever way the program ends, no copy of the archive stays behind.
    RemoveWrittenArchives();
#ifdef QUILL_TEST_HOOKS
    // Only in the tests' own build of the installer: they follow the end of the program
    // through this log. The shipped installer has no such hook.
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"QUILL_EXIT_LOG", path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        if (FILE* log = _wfopen(path, L"ab")) {
            std::fputs("exit routine\n", log);
            std::fclose(log);
        }
    }
#endif
}

#ifdef QUILL_TEST_HOOKS
bool VariableNames(const wchar_t* variable, const char* moment) {
    wchar_t wanted[64];
    const DWORD n = GetEnvironmentVariableW(variable, wanted, 64);
    return n > 0 && n < 64 && FromWide(std::wstring_view(wanted, n)) == moment;
}

BOOL CALLBACK CloseOwnWindow(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[32];
    if (process == GetCurrentProcessId() && GetClassNameW(window, className, 32) && lstrcmpW(className, L"QuillWindow") == 0)
        PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Only in the tests' own build: QUILL_KILL_AT names a moment at which the process is cut
// off as a kill would cut it, with no exit routine; QUILL_CLOSE_AT one at which the window
// is closed as another program would close it, once, noted in QUILL_EXIT_LOG first.
void AtNamedMoment(const char* moment) {
    if (VariableNames(L"QUILL_KILL_AT", moment)) TerminateProcess(GetCurrentProcess(), 99);
    static bool closed = false;
    if (closed || !VariableNames(L"QUILL_CLOSE_AT", moment)) return;
    closed = true;
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"QUILL_EXIT_LOG", path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        if (FILE* log = _wfopen(path, L"ab")) {
            std::fputs("closing\n", log);
            std::fclose(log);
        }
    }
    EnumWindows(&CloseOwnWindow, 0);
}
#endif

}  // namespace

FlowState& Flow() {
    static FlowState state;
    return state;
}

int StartupRoutine() {
#ifdef QUILL_TEST_HOOKS
    SetCommitMomentHook(&AtNamedMoment);
#endif
    const CommandLine line = ParseCommandLine(FromWide(GetCommandLineW()));
    const bool window = line.mode == RunMode::kWindow;
    // A run without a window needs neither OLE, the message window nor the template (nor
    // the pictures the window decodes): it costs little more than loading the program.
    if (window) {
        InitialiseRuntime();
    } else {
        InitialiseRuntimeWithoutWindows();
    }
    Flow().productNames.clear();
    Flow().commandLineFolder = line.folder;
    RegisterExitRoutine(&FlowExitRoutine);
    if (!window) RunWithoutWindow(line);
    LoadStartWindow(kInstallerWindowId);
    RunMessageLoop();
    return 0;
}

void OnWindowCreated() {
    SetProperty(kInstallerWindowId, kWindowUnitId, kPropWidth, PropValue::Integer(250));
    SetProperty(kInstallerWindowId, kWindowUnitId, kPropHeight, PropValue::Integer(400));
    SetProperty(kInstallerWindowId, kWindowUnitId, kPropTop, PropValue::Integer(300));
    // The start button says what it does only in its picture, the close glyph only as "×".
    SetReaderName(kInstallerWindowId, kUnitStartButton, ConstStartName);
    SetReaderName(kInstallerWindowId, kUnitCloseGlyph, ConstCloseName);
    ShowDefaultInstallFolder();
}

void OnCloseClicked() { EndProgram(0); }

void OnBackgroundPressed(int32_t, int32_t, int32_t) {}

}  // namespace quill
