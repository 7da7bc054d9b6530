// The spine of the installer: the start-up routine, the flow state and its exit routine,
// and the window handlers that do not belong to a later stage.
#include <windows.h>

#include <cstdio>

#include "flow/flow_state.h"
#include "flow/handlers.h"
#include "flow/install_location.h"
#include "runtime/frame.h"
#include "ui/installer_window.h"

namespace quill {

namespace {

void FlowExitRoutine() {
    FlowState& f = Flow();
    f.productNames.clear();
    f.productNames.shrink_to_fit();
    f.productName.clear();
    f.productList.clear();
    // Tests follow the end of the program through this log; nothing is written without it.
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("QUILL_EXIT_LOG", path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        if (FILE* log = std::fopen(path, "ab")) {
            std::fputs("exit routine\n", log);
            std::fclose(log);
        }
    }
}

}  // namespace

FlowState& Flow() {
    static FlowState state;
    return state;
}

int StartupRoutine() {
    InitialiseRuntime();
    Flow().productNames.clear();
    RegisterExitRoutine(&FlowExitRoutine);
    LoadStartWindow(kInstallerWindowId);
    RunMessageLoop();
    return 0;
}

void OnWindowCreated() {
    SetProperty(kInstallerWindowId, kWindowUnitId, kPropWidth, PropValue::Integer(250));
    SetProperty(kInstallerWindowId, kWindowUnitId, kPropHeight, PropValue::Integer(400));
    SetProperty(kInstallerWindowId, kWindowUnitId, kPropTop, PropValue::Integer(300));
    ShowDefaultInstallFolder();
}

void OnCloseClicked() { EndProgram(0); }

void OnBackgroundPressed(int32_t, int32_t, int32_t) {}

}  // namespace quill
