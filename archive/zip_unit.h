// The ZIP unit: a hidden window unit whose method Extract unpacks a ZIP file into a
// folder and reports the share of entries done through its Progress event.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/unit.h"

namespace quill {

// The archive component, fourth in the program's library table.
extern const SupportLibrary kArchiveLibrary;

constexpr uint32_t kZipUnitTypeNumber = 1;
constexpr uint32_t kZipUnitType = 0x40001;  // library 4, type 1
constexpr int32_t kZipProgressEvent = 1;

class ZipUnit : public Unit {
public:
    static Unit* Create(const UnitCreateArgs& args);

private:
    ZipUnit() = default;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    bool ownedByWindow_ = false;  // set once creation succeeded; the window then deletes it
};

// Unpacks the archive file `archivePath` into `targetFolder` (null = absent), firing
// Progress on the unit (windowId, unitId) after every entry. Answers 1 when every
// entry was handled or the handler asked to stop, 0 on failure, -1 when an argument
// is absent or the archive file does not exist.
int32_t Extract(uint32_t windowId, uint32_t unitId, const char* archivePath, const char* targetFolder);

// Extract over the archive behind `archive`, a file handle with read access the caller
// holds open (and so decides who may change the file meanwhile); every read goes through
// it. `archiveName` is the path a failure reports.
int32_t ExtractFromHandle(uint32_t windowId, uint32_t unitId, HANDLE archive, const std::string& archiveName,
                          const char* targetFolder);

// Why the last Extract on the calling thread did not answer 1.
enum class ExtractFailure : int32_t {
    kNone = 0,
    kDiskFull,         // the volume ran out of space while writing
    kFileNotWritable,  // a file or folder could not be created or replaced (in use, read-only, denied)
    kDamaged,          // the archive itself is broken: structure, CRC, encryption, unsupported method
    kBadName,          // an entry name cannot become a name in the folder (refused, not representable)
    kNoArchive,        // an argument absent or the archive file missing (the -1 result)
};
struct ExtractFailureInfo {
    ExtractFailure cause = ExtractFailure::kNone;
    std::string detail;        // the full path of the file concerned, or the entry name for kBadName
    uint64_t bytesNeeded = 0;  // kDiskFull: the uncompressed size of the entries still to write, incl. the failed one
};
ExtractFailureInfo LastExtractFailure();

}  // namespace quill
