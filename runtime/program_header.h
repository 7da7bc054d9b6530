// The fixed record that describes a program to the runtime: its constants, its
// event handlers, its window template, its support libraries and the operating-system
// functions it declares by name.
#pragma once

#include <cstdint>

#include "runtime/unit.h"

namespace quill {

// An event handler takes the event's arguments as 32-bit integers in order.
// It answers true when it returned a value, which it then stores in *result.
using HandlerFn = bool (*)(const int32_t* args, int32_t* result);

// The handler table: a template's handler offset is a byte offset into it
// (slot index * sizeof(HandlerSlot), which is the pointer size).
struct HandlerSlot {
    HandlerFn fn;
};
static_assert(sizeof(HandlerSlot) == sizeof(void*), "one pointer per handler slot");

struct ProgramHeader {
    uint32_t buildKind;   // 2 = the fatal-error report ends in a breakpoint trap
    uint32_t reserved;
    uint32_t imageTag;
    // Addresses are pointer-sized so the record holds on both targets.
    const HandlerSlot* handlerBase;
    const uint8_t* constantStart;
    uint32_t constantSize;
    const uint8_t* templateData;
    uint32_t templateSize;
    uint32_t libraryCount;
    const SupportLibrary* const* libraries;
    uint32_t declaredCount;
    const char* const* declaredLibraries;
    const char* const* declaredFunctions;
    // Slots in the handler table: a handler offset beyond it resolves to no handler
    // instead of reading past the table.
    uint32_t handlerCount;
};

}  // namespace quill
