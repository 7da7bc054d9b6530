// Building a window and its units from the template, and the window list the frame
// keeps for loaded windows.
#include <windows.h>

#include <cstring>

#include "runtime/frame.h"
#include "runtime/runtime_state.h"
#include "runtime/cursor_blob.h"

namespace quill {

namespace {

constexpr UINT kMsgAllUnitsExist = 0x806F;
constexpr UINT kMsgWindowReady = 0x8004;

void DropCursors(LoadedWindow& w) {
    for (LoadedUnit& u : w.units) {
        if (u.ownsCursor && u.cursor) DestroyCursor(u.cursor);
        u.cursor = nullptr;
        u.ownsCursor = false;
    }
}

UnitCreateArgs ArgsFor(const LoadedWindow& w, size_t index, HWND parent, DWORD style, int controlId) {
    const UnitRecord& rec = *w.units[index].record;
    UnitCreateArgs a;
    a.ownProperties = reinterpret_cast<const uint8_t*>(rec.ownProperties.data());
    a.ownPropertiesSize = rec.ownProperties.size();
    a.style = style;
    a.parent = parent;
    a.controlId = controlId;
    a.left = rec.left;
    a.top = rec.top;
    a.width = rec.width;
    a.height = rec.height;
    a.windowId = w.windowId;
    a.unitId = w.entry->unitIds[index];
    return a;
}

UnitCreateFn CreateRoutine(const LoadedUnit& u) {
    if (!u.type || !u.type->query) return nullptr;
    return reinterpret_cast<UnitCreateFn>(u.type->query(kEntryCreate));
}

// The unit that holds unit `index` (0 = the window itself).
size_t ContainerIndex(const LoadedWindow& w, size_t index) {
    const uint32_t container = w.units[index].record->container;
    if (container == 0) return 0;
    for (size_t i = 0; i < w.entry->unitIds.size(); ++i)
        if (w.entry->unitIds[i] == container) return i;
    return 0;
}

}  // namespace

bool InNonSelectedPage(const LoadedWindow& w, size_t index) {
    const size_t c = ContainerIndex(w, index);
    if (c == 0 || !w.units[c].type || !(w.units[c].type->flags & kTypePageContainer)) return false;
    bool pastFirstPage = false;
    for (uint32_t child : w.units[c].record->children) {
        if (child == 0) {
            pastFirstPage = true;
        } else if (child == w.entry->unitIds[index]) {
            return pastFirstPage;
        }
    }
    return false;
}

namespace {

void FireWindowEvent(LoadedWindow& w, int32_t event) {
    EventRecord rec;
    rec.windowId = w.windowId;
    rec.unitId = kWindowUnitId;
    rec.event = event;
    FireEvent(rec);
}

// Steps 2 to 8 of loading: creation, parents, stacking, cursors, the ready signals and the
// units' initial visibility. False when a unit cannot be created.
bool BuildWindow(LoadedWindow& w, HWND owner) {
    const size_t n = w.units.size();
    UnitCreateFn createWindow = CreateRoutine(w.units[0]);
    if (!createWindow) return false;
    Unit* windowUnit = createWindow(ArgsFor(w, 0, owner, 0, 0));
    if (!windowUnit) return false;
    w.units[0].unit = windowUnit;
    w.hwnd = windowUnit->hwnd();
    w.units[0].recordedVisible = (w.units[0].record->flags & kUnitVisible) != 0;

    int controlId = 100;
    for (size_t i = n; i-- > 1;) {
        LoadedUnit& u = w.units[i];
        UnitCreateFn create = CreateRoutine(u);
        DWORD style = 0;
        if (u.record->flags & kUnitDisabled) style |= WS_DISABLED;
        if (u.record->flags & kUnitTabStop) style |= WS_TABSTOP;
        Unit* created = create ? create(ArgsFor(w, i, w.hwnd, style, controlId)) : nullptr;
        if (!created) return false;
        u.unit = created;
        u.recordedVisible = !(u.type->flags & kTypeStartsHidden) && (u.record->flags & kUnitVisible);
        controlId += 10;
    }

    for (size_t i = 1; i < n; ++i) {
        const size_t c = ContainerIndex(w, i);
        HWND parent = c == 0 ? w.hwnd : (w.units[c].unit ? w.units[c].unit->hwnd() : w.hwnd);
        if (w.units[i].unit && parent) SetParent(w.units[i].unit->hwnd(), parent);
        if (InNonSelectedPage(w, i)) w.units[i].recordedVisible = false;
    }

    // Among siblings, earlier in the list means higher on screen.
    for (size_t i = 1; i < n; ++i) {
        const size_t c = ContainerIndex(w, i);
        HWND above = HWND_TOP;
        for (size_t j = i - 1; j >= 1; --j) {
            if (ContainerIndex(w, j) == c && w.units[j].unit) {
                above = w.units[j].unit->hwnd();
                break;
            }
        }
        SetWindowPos(w.units[i].unit->hwnd(), above, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    }

    for (LoadedUnit& u : w.units) u.cursor = CursorFromBlob(u.record->cursor, &u.ownsCursor);

    for (size_t i = n; i-- > 0;)
        if (w.units[i].unit) SendMessageW(w.units[i].unit->hwnd(), kMsgAllUnitsExist, 0, 0);
    SendMessageW(w.hwnd, kMsgWindowReady, 0, 0);

    for (size_t i = n; i-- > 1;)
        if (w.units[i].unit) ShowWindow(w.units[i].unit->hwnd(), w.units[i].recordedVisible ? SW_SHOWNA : SW_HIDE);
    return true;
}

}  // namespace

const UnitTypeInfo* FindUnitType(uint32_t typeValue) {
    const ProgramHeader* h = State().header;
    if (!h) return nullptr;
    const uint32_t libraryNumber = typeValue >> 16;
    const uint32_t typeNumber = typeValue & 0xFFFF;
    if (libraryNumber == 0 || libraryNumber > h->libraryCount) return nullptr;
    const SupportLibrary* lib = h->libraries[libraryNumber - 1];
    if (!lib) return nullptr;
    for (uint32_t i = 0; i < lib->typeCount; ++i)
        if (lib->types[i].number == typeNumber) return &lib->types[i];
    return nullptr;
}

LoadedWindow* FindLoadedWindow(uint32_t windowId) {
    for (LoadedWindow& w : State().windows)
        if (w.windowId == windowId) return &w;
    return nullptr;
}

LoadedWindow* FindWindowByHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    for (LoadedWindow& w : State().windows)
        if (w.hwnd == hwnd) return &w;
    return nullptr;
}

LoadedUnit* FindUnit(LoadedWindow& window, uint32_t unitId) {
    if (unitId == 0 || unitId == kWindowUnitId) return window.units.empty() ? nullptr : &window.units[0];
    for (size_t i = 0; i < window.entry->unitIds.size(); ++i)
        if (window.entry->unitIds[i] == unitId) return &window.units[i];
    return nullptr;
}

LoadedUnit* FindUnitByHandle(HWND hwnd, LoadedWindow** owner) {
    if (!hwnd) return nullptr;
    for (LoadedWindow& w : State().windows) {
        if (!w.hwnd) continue;
        for (LoadedUnit& u : w.units) {
            if (u.unit && u.unit->hwnd() == hwnd) {
                if (owner) *owner = &w;
                return &u;
            }
        }
    }
    return nullptr;
}

bool ApplyUnitCursor(HWND window, HWND target) {
    LoadedWindow* w = FindWindowByHandle(window);
    if (!w) return false;
    for (LoadedUnit& u : w->units) {
        if (u.unit && u.unit->hwnd() == target) {
            if (!u.cursor) return false;
            SetCursor(u.cursor);
            return true;
        }
    }
    return false;
}

namespace {

enum class LoadResult { Failed, Unloaded, Loaded };

// Loading steps 1 to 9. A window whose created handler (or a later one of the load)
// unloads it again was loaded nonetheless: it just no longer exists afterwards.
LoadResult Load(uint32_t windowId, HWND owner, bool forced) {
    LoadedWindow* w = FindLoadedWindow(windowId);
    if (!w) return LoadResult::Failed;
    if (w->hwnd && !forced) {
        if (IsIconic(w->hwnd)) {
            ShowWindow(w->hwnd, SW_RESTORE);
        } else {
            SetActiveWindow(w->hwnd);
        }
        return LoadResult::Loaded;
    }
    if (w->hwnd) return LoadResult::Loaded;

    BlockEvents();
    const bool built = BuildWindow(*w, owner);
    if (!built) {
        if (w->hwnd) DestroyWindow(w->hwnd);
        w->hwnd = nullptr;
        for (LoadedUnit& u : w->units) u.unit = nullptr;
        DropCursors(*w);
    }
    UnblockEvents();
    if (!built) return LoadResult::Failed;

    HWND focus = GetFocus();
    FireWindowEvent(*w, kWindowCreated);
    if (w->hwnd) FireWindowEvent(*w, kWindowMoved);
    if (w->hwnd) FireWindowEvent(*w, kWindowResized);
    if (!w->hwnd) return LoadResult::Unloaded;
    if (w->units[0].recordedVisible) ShowWindow(w->hwnd, SW_SHOW);
    if (focus && IsWindow(focus)) SetFocus(focus);
    w->loaded = true;
    return LoadResult::Loaded;
}

}  // namespace

bool LoadWindow(uint32_t windowId, HWND owner, bool forced) {
    return Load(windowId, owner, forced) == LoadResult::Loaded;
}

void LoadStartWindow(uint32_t windowId) {
    if (Load(windowId, nullptr, false) == LoadResult::Failed) RaiseRuntimeError("载入启动窗口失败", 0);
}

void OnWindowDestroyed(uint32_t windowId) {
    RuntimeState& s = State();
    LoadedWindow* w = FindLoadedWindow(windowId);
    if (!w) return;
    DropCursors(*w);
    w->hwnd = nullptr;
    w->loaded = false;
    for (LoadedUnit& u : w->units) u.unit = nullptr;
    bool anyLeft = false;
    for (const LoadedWindow& other : s.windows) anyLeft = anyLeft || other.hwnd;
    // The last window gone (Alt+F4, WM_CLOSE from another program, the session's end) ends
    // the program: from here on nothing of it runs and nothing reaches a unit.
    if (!anyLeft && s.loopStarted) {
        BeginProgramEnd();
        PostQuitMessage(0);
    }
}

void DestroyAllWindows() {
    for (LoadedWindow& w : State().windows)
        if (w.hwnd) DestroyWindow(w.hwnd);
}

}  // namespace quill
