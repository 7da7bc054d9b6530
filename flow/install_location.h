// The install folder: its default on drive D or C, and the folder dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace quill {

// Free space in whole MiB into *freeMiB (the caller sets it to 0 first); the platform's
// result.
bool GetDiskSpaceMB(const std::string& path, int64_t* freeMiB);
// The folder dialog; a file-system path without trailing backslash, or empty text.
std::string BrowseForFolder(HWND owner, std::optional<std::string> title = std::nullopt);
// Fills the flow state from the brand table and answers the default install folder.
std::string DefaultInstallFolder();
// The same, and shows the folder of the command line (/D=) or else the default one.
void ShowDefaultInstallFolder();
// The install folder as the label shows it now.
std::string InstallFolder();

}  // namespace quill
