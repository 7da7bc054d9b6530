// Loading libraries the program names at run time, so that a DLL dropped next to the
// installer (typically in a downloads folder) or in the current folder cannot stand in
// for a system library.
#pragma once

#include <windows.h>

#include <string>

namespace quill {

// Takes the current folder out of the DLL search path and, where the system offers it,
// limits the default search of later loads to the system folder. Call once at start-up,
// before anything loads a library by bare name.
void HardenDllSearchPath();

// A name containing ":" is an absolute path and is loaded as it stands. Any other name is
// looked for in the system folder first, then in the executable's folder, and nowhere
// else. Null when neither has it.
HMODULE LoadProgramLibrary(const std::string& name);

// The executable's folder with a trailing backslash.
std::string ExecutableFolder();

}  // namespace quill
