// What the frame knows of unit types and of the support libraries that offer them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "runtime/event_record.h"

namespace quill {

// A property value crossing the frame: integers, logicals and colours as `i`;
// texts (GBK, no terminator) and raw data (pictures, fonts) as the bytes of `s`.
struct PropValue {
    enum Kind { Int, Text, Bytes };
    Kind kind = Int;
    int32_t i = 0;
    std::string s;

    static PropValue Integer(int32_t v) { return PropValue{Int, v, {}}; }
    static PropValue OfText(std::string t) { return PropValue{Text, 0, std::move(t)}; }
    static PropValue OfBytes(std::string b) { return PropValue{Bytes, 0, std::move(b)}; }
};

// Property indexes: 0..7 the common properties of every unit, 8 + k the type's own
// property k.
enum CommonProperty : int {
    kPropLeft = 0, kPropTop, kPropWidth, kPropHeight, kPropTag, kPropVisible, kPropDisabled, kPropCursor
};
constexpr int kFirstOwnProperty = 8;
constexpr int OwnProperty(int k) { return kFirstOwnProperty + k; }

// Arguments of a type's creation routine (UnitInterface entry 1).
struct UnitCreateArgs {
    const uint8_t* ownProperties = nullptr;
    size_t ownPropertiesSize = 0;
    DWORD style = 0;
    HWND parent = nullptr;
    int controlId = 0;
    int left = 0, top = 0, width = 0, height = 0;
    uint32_t windowId = 0;
    uint32_t unitId = 0;
    int designFlag1 = 0, designFlag2 = 0;  // 0 at run time
};

// A created unit: the control object of one template record.
class Unit {
public:
    virtual ~Unit() = default;
    HWND hwnd() const { return hwnd_; }
    uint32_t windowId() const { return windowId_; }
    uint32_t unitId() const { return unitId_; }

    // Own property k (index 8 + k). Returns 1 when the control must be re-created
    // for the change to show.
    virtual int SetOwn(int k, const PropValue& value) {
        (void)k;
        (void)value;
        return 0;
    }
    // False when k is unknown.
    virtual bool GetOwn(int k, PropValue* out) const {
        (void)k;
        (void)out;
        return false;
    }
    // The current own properties in the stored, versioned form.
    virtual std::string SerialiseOwn() const { return {}; }

protected:
    HWND hwnd_ = nullptr;
    uint32_t windowId_ = 0;
    uint32_t unitId_ = 0;
};

// UnitInterface entries a type's query routine answers.
enum UnitEntry : int {
    kEntryCreate = 1,
    kEntrySetProperty = 4,
    kEntrySerialise = 5,
    kEntryGetProperty = 6,
    kEntryIcon = 7,
    kEntryListTexts = 9,
};

using UnitRoutine = void (*)();
using UnitQueryFn = UnitRoutine (*)(int entry);
using UnitCreateFn = Unit* (*)(const UnitCreateArgs& args);
using UnitSetFn = int (*)(Unit* unit, int k, const PropValue& value);
using UnitSerialiseFn = std::string (*)(Unit* unit);
using UnitGetFn = int (*)(Unit* unit, int k, PropValue* out);
using TextVisitor = void (*)(const std::string& text, void* context);
using UnitListTextsFn = void (*)(const uint8_t* ownProperties, size_t size, TextVisitor visit, void* context);
// The icon bytes of a type's stored own properties (empty when it has none).
using UnitIconFn = std::string (*)(const uint8_t* ownProperties, size_t size);

// Type flags.
enum UnitTypeFlags : uint32_t {
    kTypeRaisesEvents = 1u << 0,
    kTypeStartsHidden = 1u << 1,
    kTypePageContainer = 1u << 2,  // children separated by 0 entries form pages
    kTypeDraggable = 1u << 3,
    kTypeMenu = 1u << 4,
    kTypeWindowUnit = 1u << 6,
    kTypeFunctionsOnly = 1u << 15,
};

struct UnitTypeInfo {
    uint32_t number;  // type number within its library
    const char* name;
    const char* localName;
    uint32_t flags;
    UnitQueryFn query;
};

// A library's own notification entry; the frame sends 1 (with its own entry in `a`)
// at start-up and 6 at program end.
using NotifyFn = intptr_t (*)(int code, intptr_t a, intptr_t b, intptr_t c);

struct SupportLibrary {
    const char* name;
    const UnitTypeInfo* types;
    uint32_t typeCount;
    NotifyFn notify;
};

// Library notifications sent by the frame.
enum LibraryNotification : int {
    kNotifyStart = 1,  // a = the frame's notification entry, b = 1 when the program will show windows
    kNotifyEnd = 6,
};

// Services of the frame's notification entry.
enum FrameService : int {
    kFrameUnitDestroyed = 2000,  // a = window id, b = unit id
    kFrameLookupUnit = 2007,     // a = window id, b = unit id; answers Unit* or 0
    kFrameFireEvent = 2008,      // a = EventRecord*; answers non-zero when a handler ran
    kFrameAllocate = 2101,       // a = size; answers the block
    kFrameRelease = 2102,        // a = block
    kFrameResize = 2103,         // a = block, b = new size; answers the block
    kFrameRaiseError = 2104,     // a = message (const char*), b = code; does not return
    kFrameEndProgram = 2105,     // a = exit code; does not return
    kFrameProgramEnding = 2106,  // answers non-zero once the end of the program has begun
};

// The frame's entry as a component received it. `Notify` is the component's notification
// entry: notification 1 stores the frame's entry, every other one is answered with -1.
// One instance per component, named by a tag type.
template <class Component>
struct FrameLink {
    static inline std::atomic<NotifyFn> entry{nullptr};
    static intptr_t Notify(int code, intptr_t a, intptr_t b, intptr_t c) {
        (void)b;
        (void)c;
        if (code != kNotifyStart) return -1;
        entry = reinterpret_cast<NotifyFn>(a);
        return 0;
    }
    // Calls the frame; 0 before its entry has arrived.
    static intptr_t Call(int code, intptr_t a, intptr_t b, intptr_t c) {
        NotifyFn frame = entry.load();
        return frame ? frame(code, a, b, c) : 0;
    }
};

// Builds a query routine for a unit class T that offers:
//   static Unit* Create(const UnitCreateArgs&)
// and overrides Unit::SetOwn / GetOwn / SerialiseOwn as needed.
template <class T>
struct UnitQuery {
    static int Set(Unit* u, int k, const PropValue& v) { return u->SetOwn(k, v); }
    static int Get(Unit* u, int k, PropValue* out) { return u->GetOwn(k, out) ? 1 : 0; }
    static std::string Serialise(Unit* u) { return u->SerialiseOwn(); }
    static UnitRoutine Query(int entry) {
        switch (entry) {
        case kEntryCreate: return reinterpret_cast<UnitRoutine>(static_cast<UnitCreateFn>(&T::Create));
        case kEntrySetProperty: return reinterpret_cast<UnitRoutine>(static_cast<UnitSetFn>(&Set));
        case kEntrySerialise: return reinterpret_cast<UnitRoutine>(static_cast<UnitSerialiseFn>(&Serialise));
        case kEntryGetProperty: return reinterpret_cast<UnitRoutine>(static_cast<UnitGetFn>(&Get));
        default: return nullptr;
        }
    }
};

}  // namespace quill
