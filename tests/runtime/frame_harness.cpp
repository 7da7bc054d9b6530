#include "tests/runtime/frame_harness.h"
#include "tests/support/test_window.h"
#include "tests/support/tests_in_program.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "runtime/frame.h"
#include "runtime/byte_stream.h"
#include "ui/libraries.h"
#include "runtime/template_format.h"

namespace quill::test {

namespace {

bool Created(const int32_t*, int32_t*) {
    Log().events.push_back("created");
    Log().windowVisibleAtCreated = IsWindowVisible(GetUnitHandle(kMainWindow, kWindowUnitId)) != FALSE;
    return false;
}
bool Moved(const int32_t*, int32_t*) {
    Log().events.push_back("moved");
    return false;
}
bool Resized(const int32_t*, int32_t*) {
    Log().events.push_back("resized");
    return false;
}
bool Clicked(const int32_t* args, int32_t* result) {
    ++Log().clicks;
    Log().events.push_back("click " + std::to_string(args[0]));
    *result = 7;
    return true;
}
bool DestroySelf(const int32_t*, int32_t*) {
    Log().events.push_back("destroying");
    DestroyWindow(GetUnitHandle(kSelfDestroyWindow, kWindowUnitId));
    return false;
}
bool SelfDestroyMoved(const int32_t*, int32_t*) {
    Log().events.push_back("self-destroy moved");
    return false;
}

bool Idle(const int32_t* args, int32_t* result) {
    Log().events.push_back("idle " + std::string(args[0] >= 0 ? "elapsed" : "negative"));
    *result = 0;  // no more idle time wanted
    return true;
}

bool Swallow(const int32_t*, int32_t* result) {
    *result = 0;
    return true;
}
bool UpperCase(const int32_t* args, int32_t* result) {
    Log().characters.push_back(args[0]);
    *result = args[0] >= 'a' && args[0] <= 'z' ? args[0] - 32 : args[0];
    return true;
}

const HandlerSlot kHandlers[] = {{&Created},     {&Moved},           {&Resized}, {&Clicked},
                                 {&DestroySelf}, {&SelfDestroyMoved}, {&Idle},    {&Swallow},
                                 {&UpperCase}};
constexpr int32_t Slot(int i) { return i * static_cast<int32_t>(sizeof(HandlerSlot)); }

UnitRecord Window(std::vector<EventBinding> events) {
    UnitRecord w = WindowRecord("测试窗口", 10, 10, 300, 200);
    w.events = std::move(events);
    return w;
}

UnitRecord Box(int left, int top, std::string ownProperties = {}) {
    UnitRecord b;
    b.type = kTypePicBox;
    b.name = "图片框";
    b.left = left;
    b.top = top;
    b.width = 50;
    b.height = 50;
    b.flags = kUnitVisible;
    b.ownProperties = std::move(ownProperties);
    return b;
}

WindowEntry Entry(std::vector<std::pair<uint32_t, UnitRecord>> units) {
    WindowEntry e;
    for (auto& u : units) {
        e.unitIds.push_back(u.first);
        e.units.push_back(std::move(u.second));
    }
    for (size_t i = 1; i < e.units.size(); ++i) e.units[0].children.push_back(e.unitIds[i]);
    return e;
}

std::string BuildTemplate() {
    WindowTemplate t;
    UnitRecord unbound = Box(100, 100);
    unbound.events = {{kEventLButtonDown, kNoHandler}, {kEventLButtonUp, Slot(3)}, {kEventRButtonDown, Slot(7)},
                      {kEventChar, Slot(8)}};
    UnitRecord box1 = Box(10, 10);
    box1.events = {{kEventRButtonDown, Slot(3)}};
    UnitRecord borrower = Box(200, 100);
    borrower.handlerDonor = kBox1;
    t.windowIds.push_back(kMainWindow);
    t.windows.push_back(Entry({{kWindowUnitId, Window({{0, Slot(0)}, {3, Slot(1)}, {4, Slot(2)}, {7, Slot(6)}})},
                               {kBox1, box1},
                               {kBox2, Box(10, 10)},
                               {kBox3, Box(10, 10)},
                               {kUnboundBox, unbound},
                               {kBorrower, borrower}}));

    UnitRecord unknown = Box(0, 0);
    unknown.type = 0x00090001;
    t.windowIds.push_back(kUnknownTypeWindow);
    t.windows.push_back(Entry({{kWindowUnitId, Window({})}, {0x16010001, unknown}}));

    ByteWriter tooNew;
    tooNew.i32(99);
    t.windowIds.push_back(kTooNewWindow);
    t.windows.push_back(Entry({{kWindowUnitId, Window({})}, {0x16010001, Box(0, 0, tooNew.take())}}));

    ByteWriter cut;
    cut.i32(2);
    cut.i32(5);  // the border, then nothing of the remaining fields
    t.windowIds.push_back(kCutShortWindow);
    t.windows.push_back(Entry({{kWindowUnitId, Window({})}, {0x16010001, Box(0, 0, cut.take())}}));

    t.windowIds.push_back(kSelfDestroyWindow);
    t.windows.push_back(Entry({{kWindowUnitId, Window({{0, Slot(4)}, {3, Slot(5)}})}}));
    return WriteTemplate(t);
}

// "constant" followed by the rest of a small constant area.
const uint8_t kConstants[32] = {'c', 'o', 'n', 's', 't', 'a', 'n', 't', 0, 1, 2, 3};

std::string g_template;

}  // namespace

HandlerLog& Log() {
    static HandlerLog log;
    return log;
}

const uint8_t* TestConstantArea() { return kConstants; }
const char* TestConstantText() { return reinterpret_cast<const char*>(kConstants); }

}  // namespace quill::test

int main(int argc, char** argv) {
    using namespace quill;
    testing::InitGoogleTest(&argc, argv);
    test::g_template = test::BuildTemplate();
    return test::RunTestsInProgram(test::g_template, test::kHandlers, test::kConstants);
}
