// The installer's command line, after the conventions administrators know from other
// installers: /S installs silently, /D=<folder> (last, unquoted, may hold spaces) names the
// install folder, /? shows the usage. No arguments at all is the ordinary window.
#pragma once

#include <string>

namespace quill {

enum class RunMode {
    kWindow,  // the installer window (with /D= its folder preset)
    kSilent,  // /S: no window, no box; the exit code reports the outcome
    kUsage,   // /?: the usage box, nothing else
    kBad,     // an unknown switch, or /D= empty, relative or a name the file system refuses
};

struct CommandLine {
    RunMode mode = RunMode::kWindow;
    bool silent = false;  // /S was given (a bad line then ends without a box too)
    std::string folder;   // from /D=, without trailing backslash; empty for the default rule
};

// Reads the whole command line, the program's name first, as a text of the system
// (GetCommandLineW taken in through the text boundary).
CommandLine ParseCommandLine(const std::string& commandLine);

// True for a folder a silent install may be pointed at: a drive or network path whose
// every name the file system accepts, short enough for the product's files below it.
bool IsUsableInstallFolder(const std::string& folder);

}  // namespace quill
