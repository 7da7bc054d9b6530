// A program of the runtime made for the frame's tests: its own template, handler table
// and constant area. The test main runs GoogleTest from inside the program's start-up
// routine, so every test sees an initialised runtime on its main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quill::test {

// Windows of the test template.
enum : uint32_t {
    kMainWindow = 0x52010010,     // three overlapping boxes and bound events
    kUnknownTypeWindow = 0x52010011,
    kTooNewWindow = 0x52010012,    // a box whose own properties have a version above the type's
    kCutShortWindow = 0x52010013,  // a box whose own properties are cut short
    kSelfDestroyWindow = 0x52010014,
};

// Units of kMainWindow.
enum : uint32_t {
    kBox1 = 0x16010001,
    kBox2 = 0x16010002,
    kBox3 = 0x16010003,
    kUnboundBox = 0x16010004,  // event -1 stored with handler offset -1
    kBorrower = 0x16010005,    // uses kBox1's handlers
};

// What the handlers saw.
struct HandlerLog {
    std::vector<std::string> events;
    bool windowVisibleAtCreated = true;
    int clicks = 0;
    std::vector<int32_t> characters;  // codes the character handler saw
};
HandlerLog& Log();

// The test constant area and one text inside it.
const uint8_t* TestConstantArea();
const char* TestConstantText();

}  // namespace quill::test
