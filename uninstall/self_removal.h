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

// Starts the copy for this process; true when it runs.
bool StartCleanupCopy(bool removeFolder);

// The copy's work: `processHandle` and `removeFolder` as StartCleanupCopy passed them.
int RunCleanup(const std::string& processHandle, const std::string& removeFolder);

}  // namespace quill
