#include "flow/silent_install.h"

#include <objbase.h>

#include "data/constants.h"
#include "base/exit_codes.h"
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
    if (line.mode == RunMode::kSilent) EndProgram(SilentInstall(line.folder));
    // /? shows the usage; so does a bad line, unless /S asked for no box. Nothing has been
    // touched on disk.
    const bool usage = line.mode == RunMode::kUsage;
    if (usage || !line.silent) ShowMessage(ConstUsageText, 0);
    EndProgram(usage ? kExitOk : kExitBadCommandLine);
}

}  // namespace quill
