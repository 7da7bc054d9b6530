// Event dispatch: from an EventRecord raised by a unit to the handler bound to it.
#include "runtime/frame.h"
#include "runtime/runtime_state.h"

namespace quill {

void BlockEvents() { ++State().eventBlockCount; }
void UnblockEvents() { --State().eventBlockCount; }

bool FireEvent(EventRecord& record) {
    RuntimeState& s = State();
    if (s.eventBlockCount >= 1) return false;
    LoadedWindow* window = FindLoadedWindow(record.windowId);
    if (!window || !window->hwnd) RaiseRuntimeError("未找到引发事件的窗口", 0);
    LoadedUnit* unit = FindUnit(*window, record.unitId);
    if (!unit) RaiseRuntimeError("未找到引发事件的窗口组件", 0);
    // A unit may borrow the handlers of another unit of the same type; the chain is
    // bounded by the unit count so a loop in the template cannot hang us.
    for (size_t hops = 0; unit->record->handlerDonor != 0 && hops < window->units.size(); ++hops) {
        LoadedUnit* donor = FindUnit(*window, unit->record->handlerDonor);
        if (!donor || donor == unit || donor->record->type != unit->record->type) break;
        unit = donor;
    }
    if (!unit->type || !(unit->type->flags & kTypeRaisesEvents)) RaiseRuntimeError("引发事件的窗口组件无效", 0);

    HandlerFn handler = nullptr;
    if (unit->type->flags & kTypeMenu) {
        if (!unit->handlers.empty()) handler = unit->handlers.front().second;
    } else {
        for (const auto& binding : unit->handlers) {
            if (binding.first == record.event) {
                handler = binding.second;
                break;
            }
        }
    }
    if (!handler) return false;

    s.currentEventWindow = record.windowId;
    s.currentEventUnit = unit;
    int32_t result = 0;
    const bool returned = handler(record.args, &result);
    s.currentEventWindow = 0;
    s.currentEventUnit = nullptr;
    if (returned) {
        record.hasResult = 1;
        record.result = result;
    }
    return true;
}

intptr_t FrameNotify(int code, intptr_t a, intptr_t b, intptr_t c) {
    (void)c;
    switch (code) {
    case kFrameUnitDestroyed: {
        LoadedWindow* window = FindLoadedWindow(static_cast<uint32_t>(a));
        if (!window) return 0;
        if (LoadedUnit* unit = FindUnit(*window, static_cast<uint32_t>(b))) unit->unit = nullptr;
        return 1;
    }
    case kFrameLookupUnit:
        return reinterpret_cast<intptr_t>(LookupUnit(static_cast<uint32_t>(a), static_cast<uint32_t>(b)));
    case kFrameFireEvent:
        return a ? FireEvent(*reinterpret_cast<EventRecord*>(a)) : 0;
    case kFrameAllocate:
        return reinterpret_cast<intptr_t>(Allocate(static_cast<size_t>(a)));
    case kFrameRelease:
        Release(reinterpret_cast<void*>(a));
        return 0;
    case kFrameResize:
        return reinterpret_cast<intptr_t>(Resize(reinterpret_cast<void*>(a), static_cast<size_t>(b)));
    case kFrameRaiseError:
        RaiseRuntimeError(reinterpret_cast<const char*>(a), static_cast<int>(b));
        return 0;  // not reached: both end the process
    case kFrameEndProgram:
        EndProgram(static_cast<int>(a));
        return 0;
    case kFrameProgramEnding:
        return ProgramEnding() ? 1 : 0;
    default:
        return 0;
    }
}

}  // namespace quill
