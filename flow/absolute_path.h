// Paths the flow builds for files it creates: only ever below an absolute base, so a folder
// that cannot be found (an empty special folder, a relative install folder) never turns
// into a file beside the installer or wherever the current folder happens to be.
#pragma once

#include <string>

namespace quill {

// "X:\..." with a drive letter, or "\\server\share...".
bool IsAbsolutePath(const std::string& path);

// base + tail when base is absolute; otherwise the empty text, which names no file.
std::string JoinUnder(const std::string& base, const std::string& tail);

}  // namespace quill
