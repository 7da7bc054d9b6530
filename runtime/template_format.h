// The serialised window template: the windows of the program, each with its unit
// records. Plain C++ (no Windows headers): the build-time generator writes it with
// WriteTemplate and the runtime reads it with ReadTemplate.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quill {

constexpr uint32_t kWindowUnitId = 0x06010000;
constexpr int32_t kNoHandler = -1;

// Unit type values: support library number (1-based) * 0x10000 + type number.
enum UnitTypeValue : uint32_t {
    kTypeWindow = 0x00010001,
    kTypePicBox = 0x00010006,
    kTypeLabel = 0x0001000A,
    kTypeProcessBar = 0x00010013,
    kTypeTimer = 0x00010020,
    kTypePicBtn = 0x0001002D,
    kTypeTransLabel = 0x00020005,
    kTypeZip = 0x00040001,
};

// Unit flags (field 15 of a record).
enum UnitFlags : int32_t {
    kUnitVisible = 1,
    kUnitDisabled = 2,
    kUnitTabStop = 4,
    kUnitDefault = 8,  // the window's default unit: Return presses it, it has the focus first
};

struct EventBinding {
    int32_t event = 0;
    // As stored: a byte offset into the program's handler table, -1 = none.
    // The runtime resolves it when it reads the template.
    int32_t handlerOffset = kNoHandler;
};

struct UnitRecord {
    uint32_t type = 0;
    uint32_t handlerDonor = 0;
    std::string name;
    std::string comment;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t container = 0;
    std::vector<uint32_t> children;
    std::string cursor;  // cursor blob; 4 zero bytes = arrow
    std::string tag;
    int32_t flags = 0;
    std::vector<EventBinding> events;
    std::string ownProperties;  // the type's own versioned property record
};

struct WindowEntry {
    int32_t valueA = 11;
    uint32_t valueB = 0x19010004;
    std::string textA, textB;
    std::vector<uint32_t> unitIds;  // parallel to units; unitIds[0] is the window itself
    std::vector<UnitRecord> units;
};

struct WindowTemplate {
    std::vector<uint32_t> windowIds;  // parallel to windows
    std::vector<WindowEntry> windows;
};

// One unit record's bytes (without its length prefix).
std::string WriteUnitRecord(const UnitRecord& unit);
// Parses one record of exactly `size` bytes; false when it is cut short.
bool ReadUnitRecord(const uint8_t* data, size_t size, UnitRecord* out);

// Fills every record's list of children from the units' containers, in list order: the
// window (record 0) holds the units whose container is 0, any other unit those naming its id.
void LinkContainers(WindowEntry* window);

std::string WriteTemplate(const WindowTemplate& tpl);
// False when the stream is malformed or cut short anywhere.
bool ReadTemplate(const uint8_t* data, size_t size, WindowTemplate* out);

}  // namespace quill
