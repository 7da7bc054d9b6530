// The application object's state, shared by the frame's own files.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "runtime/frame.h"
#include "runtime/template_format.h"

namespace quill {

struct LoadedUnit {
    UnitRecord* record = nullptr;  // lives in RuntimeState::tpl
    const UnitTypeInfo* type = nullptr;
    Unit* unit = nullptr;          // null until created and after destruction
    HCURSOR cursor = nullptr;
    bool ownsCursor = false;
    bool recordedVisible = false;
    std::vector<std::pair<int32_t, HandlerFn>> handlers;  // event number, resolved handler
};

struct LoadedWindow {
    uint32_t windowId = 0;
    WindowEntry* entry = nullptr;
    HWND hwnd = nullptr;
    bool loaded = false;
    std::vector<LoadedUnit> units;  // parallel to entry->units; [0] is the window itself
};

struct IdleEntry {
    HWND window;
    IdleCallback routine;
    void* argument;
};

struct RuntimeState {
    const ProgramHeader* header = nullptr;
    StartupRoutineFn startup = nullptr;
    HANDLE heap = nullptr;
    uint32_t buildKind = 0;
    uint32_t imageTag = 0;
    bool oleInitialised = false;
    std::string exeFolder;       // without trailing backslash
    std::string exeFolderSlash;  // with trailing backslash
    std::string exeName;
    HWND messageWindow = nullptr;
    DWORD mainThreadId = 0;
    const uint8_t* constantStart = nullptr;
    const uint8_t* constantEnd = nullptr;
    WindowTemplate tpl;
    std::vector<LoadedWindow> windows;  // parallel to tpl.windows
    std::atomic<int> eventBlockCount{0};
    uint32_t currentEventWindow = 0;
    const LoadedUnit* currentEventUnit = nullptr;
    ExitRoutine exitRoutine = nullptr;
    bool loopStarted = false;
    std::atomic<bool> ending{false};           // the end of the program has begun (ProgramEnding)
    std::atomic<bool> shutdownStarted{false};  // the main thread runs the shutdown sequence
    std::vector<IdleEntry> idleCallbacks;
    std::vector<uint32_t> idleFinished;  // windows that finished idling this period
    DWORD idleStart = 0;
    bool frameworkIdlePending = false;
    int quitCode = 0;
    // The first UTF-16 unit of a character typed into a unit, held until its second unit
    // arrives (message 0 when none is held).
    MSG heldCharacterHalf{};
};

RuntimeState& State();

// Window list services used across the frame.
LoadedWindow* FindLoadedWindow(uint32_t windowId);
LoadedWindow* FindWindowByHandle(HWND hwnd);
// The unit whose window is `hwnd` (the window itself is unit 0), or null.
LoadedUnit* FindUnitByHandle(HWND hwnd, LoadedWindow** owner);
LoadedUnit* FindUnit(LoadedWindow& window, uint32_t unitId);
const UnitTypeInfo* FindUnitType(uint32_t typeValue);
void DestroyAllWindows();
// True when unit `index` sits on a page of a page container other than its first, where
// it stays hidden.
bool InNonSelectedPage(const LoadedWindow& window, size_t index);
// Called by the window unit when its HWND is gone.
void OnWindowDestroyed(uint32_t windowId);
// Pre-translation: raises the common input events; false drops the message. The character
// event carries the character's code in the system's texts: an ASCII byte, a GBK character's
// two bytes (lead byte high), or the four bytes of a character outside GBK. When the character
// the window is to see takes two UTF-16 units, `msg` carries the first and `*following` (when
// given; message 0 otherwise) the second, to be dispatched right after `msg`.
bool PreTranslateInput(MSG& msg, MSG* following = nullptr);
// WM_SETCURSOR for a loaded window: true when a unit cursor was set.
bool ApplyUnitCursor(HWND window, HWND target);

}  // namespace quill
