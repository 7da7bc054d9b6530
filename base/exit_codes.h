// The installer's and the uninstaller's exit codes, one table for every way a run ends.
// Scripts and deployment tools read these; the README lists them. Never renumber one.
#pragma once

namespace quill {

enum ExitCode : int {
    kExitOk = 0,               // installed (or uninstalled), or the user closed the window
    kExitBadCommandLine = 1,   // unknown switch, /D= empty or relative, a folder name refused
    kExitProductRunning = 2,   // a copy of the product is running
    kExitReleaseFailed = 3,    // tool.zip could be written neither to the temporary folder nor the drive root
    kExitDiskFull = 4,         // extraction ran out of disk space
    kExitFileNotWritable = 5,  // a file of the product could not be created or replaced (in use, denied)
    kExitDamaged = 6,          // the embedded archive is damaged
    kExitBadName = 7,          // an entry name cannot be created in the install folder
    kExitExtractFailed = 8,    // extraction failed for any other reason
    // 10 and above: the uninstaller's own outcomes (see the README's table).
    kExitUserDeclined = 10,         // the user answered No to the question
    kExitRecordUnreadable = 11,     // the uninstall record is missing, unreadable or not a record
    kExitUninstallIncomplete = 12,  // something could not be removed; uninstaller, record and registry entry stay
    kExitRecordRefused = 13,        // record entries pointing outside the install folder were skipped; the rest is gone
    kExitFatal = -1,           // a fatal runtime error
};

}  // namespace quill
