// The uninstall record: what an installation created in its install folder, written by the
// installer beside the uninstaller and read back by the uninstaller. A GBK text file, one
// entry a line (CR LF), paths relative to the install folder, and a last line that seals it:
//
//   Quill uninstall record 2
//   product<TAB>Orvenline
//   root                      the install folder itself was created by the installation
//   folder<TAB>data\skins
//   file<TAB>Orvenline.exe
//   check<TAB>97<TAB>1c291ca3  the byte length and CRC-32 (hex) of everything before this line
//
// A record cut short, padded or overwritten in part fails the check and is unreadable as a
// whole: the uninstaller then removes nothing. Records of the first format (no check line)
// are still read, as installations made before must stay removable, but strictly: the last
// line must be complete and every line a well-formed entry, or the record is unreadable.
//
// The record is never trusted: every path goes through SafePathInFolder (base/safe_path.h)
// before anything is done with it, so a tampered record cannot reach outside the install folder.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quill {

// Names the installer and the uninstaller agree on.
inline constexpr char kUninstallerFileName[] = "uninstall.exe";
inline constexpr char kUninstallRecordFileName[] = "uninstall.dat";
inline constexpr char kUninstallKeyParent[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct UninstallRecord {
    std::string product;
    bool rootCreated = false;
    std::vector<std::string> folders;  // relative, no trailing backslash
    std::vector<std::string> files;    // relative
    std::vector<std::string> refused;  // lines that named no safe path, or the uninstaller's own files, as read
};

// A product name usable as a registry key and a file name: 1 to 64 bytes, no separator,
// no character that a file name cannot hold, not "." or "..".
bool IsUsableProductName(const std::string& name);

// Parses the record text. Nothing when the header or the product line is missing or bad, or
// the check fails; otherwise every entry line lands in `folders`/`files`, or in `refused`
// when it names no safe path, names the record or the uninstaller, or has an unknown kind
// (a record of the first format with any such line is nothing). Repeated entries are kept once.
std::optional<UninstallRecord> ParseUninstallRecord(const std::string& text);

// Reads and parses the record file; nothing when it is missing, unreadable, over 4 MiB
// or no record.
std::optional<UninstallRecord> ReadUninstallRecord(const std::string& path);

// The record as text, entries in the order given, sealed by its check line.
std::string FormatUninstallRecord(const UninstallRecord& record);

// Writes the record to a new file beside `path` (a name no one can predict, created new, so
// never through a link) and moves it over `path` in one step: a reader sees the old record
// or the new one, never a part. False, with the old record untouched, when any step fails.
bool WriteUninstallRecordFile(const std::string& path, const UninstallRecord& record);

// The steps of the write, for tests that cut it off: the writer asks `stop` before each one
// and, when told to, returns at once as a killed process would, leaving what it wrote.
enum class RecordWriteStep { kCreated, kHalfWritten, kWritten, kMoving };
using RecordWriteStop = bool (*)(RecordWriteStep step);
bool WriteUninstallRecordFile(const std::string& path, const UninstallRecord& record, RecordWriteStop stop);


// Number of components of a relative path ("a\b" has 2): deeper folders go first on removal.
int PathDepth(const std::string& relative);

}  // namespace quill
