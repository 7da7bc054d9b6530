// The uninstall record: what an installation created in its install folder, written by the
// installer beside the uninstaller and read back by the uninstaller. A GBK text file, one
// entry a line (CR LF), paths relative to the install folder:
//
//   Quill uninstall record 1
//   product<TAB>Orvenline
//   root                      the install folder itself was created by the installation
//   folder<TAB>data\skins
//   file<TAB>Orvenline.exe
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
    std::vector<std::string> refused;  // lines that named no safe path, as read
};

// A product name usable as a registry key and a file name: 1 to 64 bytes, no separator,
// no character that a file name cannot hold, not "." or "..".
bool IsUsableProductName(const std::string& name);

// Parses the record text. Nothing when the header or the product line is missing or bad;
// otherwise every entry line lands in `folders`/`files`, or in `refused` when it names no
// safe path or has an unknown kind. Repeated entries are kept once.
std::optional<UninstallRecord> ParseUninstallRecord(const std::string& text);

// Reads and parses the record file; nothing when it is missing, unreadable, over 4 MiB
// or no record.
std::optional<UninstallRecord> ReadUninstallRecord(const std::string& path);

// The record as text, entries in the order given.
std::string FormatUninstallRecord(const UninstallRecord& record);


// Number of components of a relative path ("a\b" has 2): deeper folders go first on removal.
int PathDepth(const std::string& relative);

}  // namespace quill
