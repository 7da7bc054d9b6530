// Registration for removal: after a successful extraction the installer writes the
// uninstaller and the record of what this installation created into the install folder,
// and the product's entry into the current user's list of installed programs.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/byte_set.h"

namespace quill {

// The resource id of the uninstaller in flow/installer.rc.
constexpr int kUninstallerResource = 2001;

// The uninstaller program the installer carries; empty when the resource is missing.
ByteSetView UninstallerProgram();

// Writes the uninstaller and the record for an installation into `installFolder` (a full
// path) of the archive behind `archiveFile` (an open handle with read access) into
// `stagingFolder`, where the installation waits to be moved in place; the record merges
// the one an earlier installation of the product left in `installFolder`. The staging
// folder may be the install folder itself.
bool StageUninstall(const std::string& installFolder, const std::string& stagingFolder, HANDLE archiveFile);

// The product's entry in the current user's list of installed programs, for the
// installation whose record is in `installFolder`.
bool WriteUninstallEntry(const std::string& installFolder);

// The install folder the product's entry names; empty when there is none.
std::string RegisteredInstallFolder();

// Both of the above in `installFolder` itself, once the archive was extracted there. False
// when the uninstaller, the record or the registry entry could not be written; the
// installation itself stands either way.
bool RegisterUninstall(const std::string& installFolder, HANDLE archiveFile);

}  // namespace quill
