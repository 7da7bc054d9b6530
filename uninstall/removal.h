// The uninstaller's steps: the running-copy check and the removal of what the record names,
// of the desktop shortcut and of the registry record. Each stays inside the install folder
// or touches only what points into it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "uninstall/uninstall_record.h"

namespace quill {

// What a removal left behind, as full paths (refused entries as the record wrote them).
struct RemovalReport {
    std::vector<std::string> leftFolders;  // not empty: they hold what the installation did not put there
    std::vector<std::string> failed;       // could not be removed (in use, denied)
    std::vector<std::string> refused;      // named a place outside the install folder
};

// Removes the record's files, then its folders deepest first, each only when it is empty.
// No entry is removed through a link, nor when it is the record or the uninstaller
// (`selfName` in `folder`) under any name.
void RemoveRecordedItems(const std::string& folder, const std::string& selfName, const UninstallRecord& record,
                         RemovalReport* report);

// Deletes the desktop shortcut named after the product when its target lies in `folder`.
// COM must be initialised on the calling thread.
void RemoveDesktopShortcut(const std::string& product, const std::string& folder);

// Deletes the product's uninstall key unless it belongs to an installation elsewhere.
void RemoveRegistryRecord(const std::string& product, const std::string& folder);

// True when `folder` holds anything but the file named `except`.
bool FolderHoldsOtherThan(const std::string& folder, const std::string& except);

}  // namespace quill
