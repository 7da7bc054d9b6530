// Where the program's libraries come from. The installer is typically started from a
// downloads folder, where anyone can drop a DLL beside it: no library may ever be taken
// from the executable's folder or the current folder in place of a system library.
#pragma once

#include <windows.h>

#include <string>

namespace quill {

// Takes the current folder out of the DLL search path and, where the system offers it,
// limits the default search of every later load (the program's own and those system
// libraries make for themselves) to the system folder. Runs once, by itself, as the process
// starts, before any code of the program or its runtime library.
void HardenDllSearchPath();

// `name` (say "comctl32.dll") from the system folder, by its full path. Null when missing.
HMODULE LoadSystemLibrary(const std::string& name);

// A name containing ":" is an absolute path and is loaded as it stands. Any other name is
// looked for in the system folder first, then in the executable's folder, and nowhere
// else. Null when neither has it.
HMODULE LoadProgramLibrary(const std::string& name);

// The executable's folder (without a trailing backslash) and file name: its module path cut
// at the last backslash, where the second byte of a GBK character never counts as one.
// Both empty when the path cannot be read.
void LocateExecutable(std::string* folder, std::string* file);

// The executable's folder with a trailing backslash (empty when it cannot be told).
std::string ExecutableFolder();

}  // namespace quill
