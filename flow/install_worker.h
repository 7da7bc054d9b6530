// The installation proper: the start press, the worker that releases and extracts the
// payload, and the completion.
#pragma once

#include <string>

namespace quill {

// True from an accepted start press on; further presses and folder changes are ignored.
bool InstallationRunning();
// True when a process with this executable name runs (ASCII case ignored).
bool IsProcessRunning(const std::string& exeName);
// Deletes every tool.zip this run wrote (or began to write). For the end of the program,
// once the worker has let go of them.
void RemoveWrittenArchives();

}  // namespace quill
