// The shell component: shell shortcuts and special-folder paths.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/unit.h"

namespace quill {

extern const SupportLibrary kShellLibrary;

// Writes a shell link to `target`. COM must already be initialised on the calling thread.
// A link name without any "." gets ".lnk" appended. Arguments and working folder are
// applied only when the command is given all five arguments (`fiveArguments`).
bool CreateShortcut(const std::string& linkFile, const std::string& targetFile,
                    std::optional<std::string> description = std::nullopt,
                    std::optional<std::string> arguments = std::nullopt,
                    std::optional<std::string> workingFolder = std::nullopt, bool fiveArguments = false);

// Folder ids 1..11; the path ends in a backslash, or the text is empty.
std::string GetSpecialFolder(int32_t id);

}  // namespace quill
