// The installer without any window: what the command line asked for, ended with an exit code.
#pragma once

#include "flow/command_line.h"

namespace quill {

// Runs the silent install, the usage box or the refusal of a bad command line, and ends the
// program with its exit code. The runtime is initialised without windows; the flow's exit
// routine is registered.
[[noreturn]] void RunWithoutWindow(const CommandLine& line);

}  // namespace quill
