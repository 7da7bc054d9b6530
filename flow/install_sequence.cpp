#include "flow/install_sequence.h"

#include <windows.h>

#include <atomic>

#include "archive/zip_unit.h"
#include "data/constants.h"
#include "flow/absolute_path.h"
#include "base/exit_codes.h"
#include "flow/failure_messages.h"
#include "flow/flow_state.h"
#include "runtime/commands.h"
#include "runtime/frame.h"
#include "shell/shell_library.h"
#include "flow/installer_window.h"
#include "flow/uninstall_registration.h"

namespace quill {

namespace {

constexpr int32_t kDesktopFolder = 3;
constexpr int32_t kTempFolder = 11;

// The archive copies this run wrote (or began to write), for the end of the program: each
// path is stored before the count that publishes it, so the main thread never reads a
// half-made one.
std::string g_writtenArchives[2];
std::atomic<int> g_writtenCount{0};

bool WritePayload(const std::string& path) {
    if (path.empty()) return false;
    const int slot = g_writtenCount.load();
    if (slot < 2) {
        g_writtenArchives[slot] = path;
        g_writtenCount.store(slot + 1);
    }
    if (WriteBytesToFile(path, {StoredByteSet(ConstPayloadArchive)})) return true;
    // A write cut short (a full temporary drive) leaves no partial archive behind.
    RemoveFile(path);
    return false;
}

// Writes tool.zip; its path, or empty when neither place took it.
std::string ReleaseArchive(const std::string& folder) {
    const std::string temp = TempArchivePath();
    if (WritePayload(temp)) return temp;
    const std::string root = DriveArchivePath(folder);
    if (WritePayload(root)) return root;
    return {};
}

std::string ProductExecutable(const std::string& folder) {
    return JoinUnder(folder, ConstBackslash + Flow().productName + ConstExeSuffix);
}

bool CreateDesktopShortcut(const std::string& folder) {
    const std::string link = JoinUnder(GetSpecialFolder(kDesktopFolder), Flow().productName);
    const std::string target = ProductExecutable(folder);
    return !link.empty() && !target.empty() && CreateShortcut(link, target);
}

std::optional<int> ReleaseAndExtract(InstallReporter& reporter, const std::string& folder) {
    reporter.Log(ConstLogReleasing);
    const std::string archive = ReleaseArchive(folder);
    // Closed while the archive was written: nothing more is started, the end cleans up.
    if (ProgramEnding()) return std::nullopt;
    if (archive.empty()) {
        reporter.ShowFailure(ConstWriteFailedMessage);
        return kExitReleaseFailed;
    }
    reporter.ShowProgressBar(true);
    reporter.Log(ConstLogExtracting);
    // A relative folder would unpack wherever the current folder is.
    const int32_t result = IsAbsolutePath(folder)
                               ? Extract(kInstallerWindowId, kUnitZip, archive.c_str(), folder.c_str())
                               : -1;
    return FinishInstallation(reporter, folder, archive, result);
}

}  // namespace

std::string TempArchivePath() { return JoinUnder(GetSpecialFolder(kTempFolder), ConstTempArchiveSuffix); }

std::string DriveArchivePath(const std::string& folder) {
    // Only a drive letter names a drive root; a network folder has none.
    if (!IsAbsolutePath(folder) || folder[1] != ':') return {};
    return LeftText(folder, 1) + ConstDriveArchiveSuffix;
}

void RemoveWrittenArchives() {
    const int count = g_writtenCount.load();
    for (int i = 0; i < count; ++i) RemoveFile(g_writtenArchives[i]);
}

void RemoveArchives(const std::string& folder) {
    for (const std::string& path : {DriveArchivePath(folder), TempArchivePath()})
        if (!path.empty()) RemoveFile(path);
}

void OnProductInstalled(const std::string& folder, const std::string& archive) {
    // A failed registration leaves the product installed; only its removal entry is missing.
    RegisterUninstall(folder, archive);
}

std::optional<int> FinishInstallation(InstallReporter& reporter, const std::string& folder, const std::string& archive,
                                      int32_t extractResult) {
    // A close during the extraction has begun the end of the program, and from then on no
    // progress event paced the extraction: it may have run to its end meanwhile. Neither a
    // shortcut and prompt nor a failure report may follow the close.
    if (ProgramEnding()) return std::nullopt;
    if (extractResult != 1) {
        const FailureReport report = ReportExtractFailure(LastExtractFailure(), folder);
        RemoveArchives(folder);
        reporter.ShowFailure(report.message);
        return report.exitCode;
    }
    OnProductInstalled(folder, archive);
    reporter.ShowFinishPicture();
    reporter.Log(CreateDesktopShortcut(folder) ? ConstLogShortcutOk : ConstLogShortcutFailed);
    reporter.OfferLaunch(ProductExecutable(folder));
    reporter.ShowProgressBar(false);
    RemoveArchives(folder);
    return kExitOk;
}

std::optional<int> InstallProduct(InstallReporter& reporter, const std::string& folder) {
    return ReleaseAndExtract(reporter, folder);
}

}  // namespace quill
