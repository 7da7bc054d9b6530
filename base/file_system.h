// The few file-system questions every program of the project asks, over the text boundary.
#pragma once

#include <string>

namespace quill {

// True when the file or folder exists.
bool PathExists(const std::string& path);

// Creates every missing level of `path`, outermost first. False when a level is missing and
// cannot be created; that level then goes to `failedLevel` (when given) and GetLastError()
// tells why.
bool MakeFolderPath(const std::string& path, std::string* failedLevel = nullptr);

// The absolute form of `path` as the file system will resolve it ("." and ".." components
// folded, '/' turned into '\', device names turned into device paths). Empty on failure.
std::string FullPath(const std::string& path);

}  // namespace quill
