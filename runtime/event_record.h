// The record a unit fills to raise an event, completed by the dispatcher.
#pragma once

#include <cstdint>

namespace quill {

struct EventRecord {
    uint32_t windowId = 0;
    uint32_t unitId = 0;
    int32_t event = 0;
    int32_t argCount = 0;
    int32_t args[5] = {0, 0, 0, 0, 0};
    int32_t hasResult = 0;
    int32_t result = 0;
};

// Common input events, raised for every unit during message pre-translation.
enum CommonEvent : int32_t {
    kEventLButtonDown = -1,
    kEventLButtonUp = -2,
    kEventLButtonDblClk = -3,
    kEventRButtonDown = -4,
    kEventRButtonUp = -5,
    kEventMouseMove = -6,
    kEventFocusGained = -7,
    kEventFocusLost = -8,
    kEventKeyDown = -9,
    kEventKeyUp = -10,
    kEventChar = -11,
    kEventWheel = -12,
};

// Events of the window unit.
enum WindowEvent : int32_t {
    kWindowCreated = 0,
    kWindowMayClose = 1,
    kWindowMoved = 3,
    kWindowResized = 4,
    kWindowIdle = 7,
    kWindowShown = 10,
    kWindowHidden = 11,
};

}  // namespace quill
