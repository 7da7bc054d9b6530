// The ZIP unit: a hidden window unit whose method Extract unpacks a ZIP file into a
// folder and reports the share of entries done through its Progress event.
#pragma once

#include <cstdint>

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

}  // namespace quill
