// How the uninstaller removes itself: a running program cannot delete its own file, so a
// copy in the temporary folder waits for it to end, deletes it and the install folder
// (when that is empty and was created by the installation), and disappears itself: the
// copy is opened for deletion on close and the handle passed to it, so the file goes when
// the copy ends. Nothing of this needs administrator rights.
#pragma once

#include <string>

namespace quill {

// The command-line switch of the copy.
inline constexpr char kCleanupSwitch[] = "/_cleanup";

// Whether the copy removes the install folder after the uninstaller (only ever when empty).
enum class FolderRemoval { kKeep, kRemoveWhenEmpty };

// The copy's exit code.
enum class CleanupResult : int { kDeleted = 0, kNotDeleted = 1 };

// Starts the copy for this process; true when it runs. The copy has a name no one can
// predict in the temporary folder and is created new there, so it is never written through
// a file or link someone placed in advance.
bool StartCleanupCopy(FolderRemoval folder);

// The copy's work: `processHandle` and `folder` as StartCleanupCopy passed them.
CleanupResult RunCleanup(const std::string& processHandle, const std::string& folder);

}  // namespace quill
