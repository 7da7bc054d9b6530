// Drives the ZIP unit without the runtime frame: a notification entry that answers
// unit look-ups with one unit, records the events fired, and lets a test decide what
// the Progress handler returns.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "archive/zip_unit.h"
#include "runtime/event_record.h"
#include "runtime/unit.h"

namespace ziptest {

constexpr uint32_t kWindowId = 0x52010001;
constexpr uint32_t kUnitId = 0x16010007;

struct FakeFrame {
    static inline quill::Unit* unit = nullptr;
    static inline std::vector<int32_t> events;  // Progress arguments, in order
    static inline std::vector<std::pair<intptr_t, intptr_t>> destroyed;
    // Called for each Progress event; returns true and sets *result to give the
    // handler a value (false stops the extraction).
    static inline std::function<bool(int32_t percent, int32_t* result)> handler;
    // Answers whether the end of the program has begun; never, when unset.
    static inline std::function<bool()> ending;

    static intptr_t Notify(int code, intptr_t a, intptr_t b, intptr_t) {
        switch (code) {
        case quill::kFrameLookupUnit:
            if (unit && static_cast<uint32_t>(a) == unit->windowId() && static_cast<uint32_t>(b) == unit->unitId())
                return reinterpret_cast<intptr_t>(unit);
            return 0;
        case quill::kFrameFireEvent: {
            auto* record = reinterpret_cast<quill::EventRecord*>(a);
            if (record->event != quill::kZipProgressEvent || record->argCount != 1 ||
                record->windowId != kWindowId || record->unitId != kUnitId)
                return 0;
            events.push_back(record->args[0]);
            int32_t result = 0;
            if (handler && handler(record->args[0], &result)) {
                record->hasResult = 1;
                record->result = result;
            }
            return 1;
        }
        case quill::kFrameUnitDestroyed:
            destroyed.emplace_back(a, b);
            return 0;
        case quill::kFrameProgramEnding:
            return ending && ending() ? 1 : 0;
        default: return 0;
        }
    }

    static void Reset() {
        unit = nullptr;
        events.clear();
        destroyed.clear();
        handler = nullptr;
        ending = nullptr;
    }
};

// A hidden top-level window with one ZIP unit on it, created through the library's
// own query routine, with the fake frame installed.
class UnitHost {
public:
    UnitHost() {
        FakeFrame::Reset();
        quill::kArchiveLibrary.notify(quill::kNotifyStart, reinterpret_cast<intptr_t>(&FakeFrame::Notify), 0, 0);
        parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 250, 400, nullptr, nullptr, nullptr, nullptr);
        auto create = reinterpret_cast<quill::UnitCreateFn>(quill::kArchiveLibrary.types[0].query(quill::kEntryCreate));
        quill::UnitCreateArgs args;
        args.parent = parent_;
        args.left = 8;
        args.top = 40;
        args.width = 27;
        args.height = 27;
        args.windowId = kWindowId;
        args.unitId = kUnitId;
        FakeFrame::unit = create(args);
    }
    ~UnitHost() {
        if (parent_) DestroyWindow(parent_);
        FakeFrame::Reset();
    }
    HWND parent() const { return parent_; }
    // Destroys the parent (and so the unit) early.
    void DestroyParent() {
        DestroyWindow(parent_);
        parent_ = nullptr;
        FakeFrame::unit = nullptr;
    }

private:
    HWND parent_ = nullptr;
};

}  // namespace ziptest
