// Registration for removal: after a successful extraction the installer writes the
// uninstaller and the record of what this installation created into the install folder,
// and the product's entry into the current user's list of installed programs.
#pragma once

#include <string>

namespace quill {

// The resource id of the uninstaller in flow/installer.rc.
constexpr int kUninstallerResource = 2001;

// Call once the archive at `archivePath` has been extracted into `installFolder` (a full
// path). Installing again over an installation merges its record into the new one. False
// when the uninstaller, the record or the registry entry could not be written; the
// installation itself stands either way.
bool RegisterUninstall(const std::string& installFolder, const std::string& archivePath);

}  // namespace quill
