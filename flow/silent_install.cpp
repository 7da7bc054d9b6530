#include "flow/silent_install.h"

#include <objbase.h>

#include "data/constants.h"
#include "flow/exit_codes.h"
#include "flow/flow_state.h"
#include "flow/install_location.h"
#include "flow/install_sequence.h"
#include "flow/install_worker.h"
#include "runtime/commands.h"
#include "runtime/frame.h"

namespace quill {

namespace {

int SilentInstall(const std::string& commandLineFolder) {
    const std::string defaultFolder = DefaultInstallFolder();
    if (ProductRunning()) return kExitProductRunning;
    // A single-threaded apartment would make a window of its own; the shortcut needs none.
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    InstallReporter showsNothing;
    const std::optional<int> exitCode =
        InstallProduct(showsNothing, commandLineFolder.empty() ? defaultFolder : commandLineFolder);
    if (com) CoUninitialize();
    return exitCode.value_or(kExitOk);
}

}  // namespace

void RunWithoutWindow(const CommandLine& line) {
    switch (line.mode) {
    case RunMode::kSilent:
        EndProgram(SilentInstall(line.folder));
    case RunMode::kUsage:
        ShowMessage(ConstUsageText, 0);
        EndProgram(kExitOk);
    case RunMode::kBad:
    case RunMode::kWindow:
        break;
    }
    // A bad line is told in a box unless /S asked for none; nothing has been touched.
    if (!line.silent) ShowMessage(ConstUsageText, 0);
    EndProgram(kExitBadCommandLine);
}

}  // namespace quill
