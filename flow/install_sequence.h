// The one install sequence both modes run: release of the archive, extraction, the success
// point, the desktop shortcut and the clean-up. The window shows it through its log line,
// progress bar and boxes; a silent run shows nothing and reports by its exit code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quill {

// How a mode shows the installation. This base shows nothing: the silent mode.
class InstallReporter {
public:
    virtual ~InstallReporter() = default;
    virtual void Log(const char* /*text*/) {}
    virtual void ShowProgressBar(bool /*visible*/) {}
    virtual void ShowFinishPicture() {}
    // A failure the user reads before the program ends.
    virtual void ShowFailure(const std::string& /*message*/) {}
    // The completion prompt, and the launch of `executable` on Yes.
    virtual void OfferLaunch(const std::string& /*executable*/) {}
};

// Installs the product into `folder` on the calling thread, which has COM initialised for
// the shortcut, and answers the exit code. Nothing when the end of the program began while
// it extracted: then nothing more is shown or created, the one who ends the program cleans up.
std::optional<int> InstallProduct(InstallReporter& reporter, const std::string& folder);

// The part of InstallProduct after Extract answered `extractResult`, the archive at
// `archive` closed again.
std::optional<int> FinishInstallation(InstallReporter& reporter, const std::string& folder, const std::string& archive,
                                      int32_t extractResult);

// The success point of both modes: runs once, right after a whole extraction into
// `folder` from `archive` and before the shortcut: the registration for removal.
void OnProductInstalled(const std::string& folder, const std::string& archive);

// Where tool.zip goes: the temporary folder, else the root of the install folder's drive.
// Empty when there is no such absolute place.
std::string TempArchivePath();
std::string DriveArchivePath(const std::string& folder);
// Deletes every tool.zip this run wrote (or began to write): for the end of the program, once
// the worker has let go of them.
void RemoveWrittenArchives();
// Deletes both possible copies of tool.zip; a read-only one or a folder of that name stays.
void RemoveArchives(const std::string& folder);

}  // namespace quill
