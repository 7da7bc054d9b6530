// The frame inside a running program: window loading, dispatch, properties, memory.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "runtime/frame.h"
#include "runtime/runtime_state.h"
#include "tests/runtime/frame_harness.h"

namespace quill::test {
namespace {

class FrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadWindow(kMainWindow, nullptr, false)); }
    static HWND Handle(uint32_t unit) { return GetUnitHandle(kMainWindow, unit); }
};

TEST_F(FrameTest, CreatedMovedResizedRunBeforeTheWindowIsShown) {
    const auto& events = Log().events;
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], "created");
    EXPECT_EQ(events[1], "moved");
    EXPECT_EQ(events[2], "resized");
    EXPECT_FALSE(Log().windowVisibleAtCreated);
    EXPECT_TRUE(IsWindowVisible(Handle(kWindowUnitId)));
}

TEST_F(FrameTest, LoadingALoadedWindowAgainOnlyActivatesIt) {
    HWND before = Handle(kWindowUnitId);
    const size_t eventsBefore = Log().events.size();
    EXPECT_TRUE(LoadWindow(kMainWindow, nullptr, false));
    EXPECT_EQ(Handle(kWindowUnitId), before);
    EXPECT_EQ(Log().events.size(), eventsBefore);
}

// Each binding resolves to the handler at its own slot of the program's table; a wrongly
// resolved one runs another handler (or raises a fatal error, answered by the harness).
TEST_F(FrameTest, ABoundEventRunsTheHandlerAtItsOffsetAndMinusOneRunsNone) {
    EventRecord release;
    release.windowId = kMainWindow;
    release.unitId = kUnboundBox;
    release.event = kEventLButtonUp;
    release.argCount = 1;
    release.args[0] = 42;
    const int clicks = Log().clicks;
    EXPECT_TRUE(FireEvent(release));
    EXPECT_EQ(Log().clicks, clicks + 1);
    EXPECT_EQ(Log().events.back(), "click 42");
    EXPECT_EQ(release.hasResult, 1);
    EXPECT_EQ(release.result, 7);

    EventRecord press = release;
    press.event = kEventLButtonDown;
    press.hasResult = 0;
    EXPECT_FALSE(FireEvent(press));
    EXPECT_EQ(press.hasResult, 0);
    EXPECT_EQ(Log().clicks, clicks + 1);
}

TEST_F(FrameTest, BlockedEventsReachNoHandler) {
    EventRecord release;
    release.windowId = kMainWindow;
    release.unitId = kUnboundBox;
    release.event = kEventLButtonUp;
    const int clicks = Log().clicks;
    BlockEvents();
    EXPECT_FALSE(FireEvent(release));
    UnblockEvents();
    EXPECT_EQ(Log().clicks, clicks);
}

TEST_F(FrameTest, AUnitBorrowsTheHandlersOfItsDonor) {
    EventRecord press;
    press.windowId = kMainWindow;
    press.unitId = kBorrower;
    press.event = kEventRButtonDown;
    const int clicks = Log().clicks;
    EXPECT_TRUE(FireEvent(press));
    EXPECT_EQ(Log().clicks, clicks + 1);
}

TEST_F(FrameTest, InputMessagesBecomeCommonEventsAndAZeroResultSwallowsThem) {
    // The bound handler answers 7 (non-zero): the message goes on to the control.
    MSG msg{};
    msg.hwnd = Handle(kUnboundBox);
    msg.message = WM_LBUTTONUP;
    msg.lParam = MAKELPARAM(12, 34);
    const int clicks = Log().clicks;
    EXPECT_TRUE(PreTranslateInput(msg));
    EXPECT_EQ(Log().clicks, clicks + 1);
    EXPECT_EQ(Log().events.back(), "click 12");
    // A window that is no unit raises nothing.
    msg.hwnd = GetDesktopWindow();
    EXPECT_TRUE(PreTranslateInput(msg));
    EXPECT_EQ(Log().clicks, clicks + 1);
    // A handler answering 0 drops the message.
    msg.hwnd = Handle(kUnboundBox);
    msg.message = WM_RBUTTONDOWN;
    EXPECT_FALSE(PreTranslateInput(msg));
    // An event without handler lets it through.
    msg.message = WM_LBUTTONDOWN;
    EXPECT_TRUE(PreTranslateInput(msg));
}

TEST_F(FrameTest, ACharacterHandlersValueReplacesTheCharacter) {
    MSG msg{};
    msg.hwnd = Handle(kUnboundBox);
    msg.message = WM_CHAR;
    msg.wParam = 'q';
    EXPECT_TRUE(PreTranslateInput(msg));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('Q'));
}

// A character reaches its handler as its code in the system's texts, in one event however
// many UTF-16 units it took, and reaches the control as the same UTF-16 units.
TEST_F(FrameTest, ACharacterReachesItsHandlerAsItsCodeInTheSystemsTexts) {
    const struct {
        std::wstring units;
        uint32_t code;
    } cases[] = {
        {L"7", '7'},
        {L"\u4E2D", 0xD6D0},              // a GBK character: its two bytes
        {L"\u00F6", 0x81308B32},          // outside GBK: its four bytes
        {L"\U0001F600", 0x9439FC36},      // outside the BMP: two units, one event
    };
    for (const auto& c : cases) {
        const size_t seen = Log().characters.size();
        std::wstring passed;
        for (wchar_t unit : c.units) {
            MSG msg{};
            msg.hwnd = Handle(kUnboundBox);
            msg.message = WM_CHAR;
            msg.wParam = unit;
            MSG following{};
            if (!PreTranslateInput(msg, &following)) continue;
            passed += static_cast<wchar_t>(msg.wParam);
            if (following.message) passed += static_cast<wchar_t>(following.wParam);
        }
        ASSERT_EQ(Log().characters.size(), seen + 1) << std::hex << c.code;
        EXPECT_EQ(static_cast<uint32_t>(Log().characters.back()), c.code);
        EXPECT_EQ(passed, c.units) << std::hex << c.code;
    }
}

TEST_F(FrameTest, WidthIsClampedStoredAndApplied) {
    SetProperty(kMainWindow, kBox2, 2, PropValue::Integer(40000));
    EXPECT_EQ(GetProperty(kMainWindow, kBox2, 2).i, 32627);
    RECT r;
    GetWindowRect(Handle(kBox2), &r);
    EXPECT_EQ(r.right - r.left, 32627);
    SetProperty(kMainWindow, kBox2, 2, PropValue::Integer(-3));
    EXPECT_EQ(GetProperty(kMainWindow, kBox2, 2).i, 0);
    SetProperty(kMainWindow, kBox2, 2, PropValue::Integer(50));
    SetProperty(kMainWindow, kBox2, 0, PropValue::Integer(-40000));
    EXPECT_EQ(GetProperty(kMainWindow, kBox2, 0).i, -32627);
    SetProperty(kMainWindow, kBox2, 0, PropValue::Integer(10));
    EXPECT_EQ(GetProperty(kMainWindow, kBox2, 0).i, 10);
    EXPECT_EQ(GetProperty(kMainWindow, kBox2, 1).i, 10);
}

TEST_F(FrameTest, EarlierUnitsInTheListLieHigher) {
    HWND parent = Handle(kWindowUnitId);
    EXPECT_EQ(GetTopWindow(parent), Handle(kBox1));
    EXPECT_EQ(GetWindow(Handle(kBox1), GW_HWNDNEXT), Handle(kBox2));
    EXPECT_EQ(GetWindow(Handle(kBox2), GW_HWNDNEXT), Handle(kBox3));
    POINT inside{20, 20};
    EXPECT_EQ(ChildWindowFromPointEx(parent, inside, CWP_SKIPINVISIBLE), Handle(kBox1));
}

TEST_F(FrameTest, VisibleAndDisabledFollowTheirWrites) {
    SetProperty(kMainWindow, kBox3, 5, PropValue::Integer(0));
    EXPECT_FALSE(IsWindowVisible(Handle(kBox3)));
    EXPECT_EQ(GetProperty(kMainWindow, kBox3, 5).i, 0);
    SetProperty(kMainWindow, kBox3, 5, PropValue::Integer(1));
    EXPECT_TRUE(IsWindowVisible(Handle(kBox3)));
    SetProperty(kMainWindow, kBox3, 6, PropValue::Integer(1));
    EXPECT_FALSE(IsWindowEnabled(Handle(kBox3)));
    EXPECT_EQ(GetProperty(kMainWindow, kBox3, 6).i, 1);
    SetProperty(kMainWindow, kBox3, 6, PropValue::Integer(0));
    EXPECT_TRUE(IsWindowEnabled(Handle(kBox3)));
    SetProperty(kMainWindow, kBox3, 4, PropValue::OfText("标记"));
    EXPECT_EQ(GetProperty(kMainWindow, kBox3, 4).s, "标记");
}

TEST_F(FrameTest, AWriteFromAnotherThreadHasTakenEffectWhenItReturns) {
    std::atomic<bool> done{false};
    int32_t seen = -1;
    std::thread worker([&] {
        SetProperty(kMainWindow, kBox3, 3, PropValue::Integer(77));
        RECT r;
        GetWindowRect(GetUnitHandle(kMainWindow, kBox3), &r);
        seen = r.bottom - r.top;
        done = true;
    });
    // The write is carried out here, on the window's thread, while we pump.
    while (!done) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    worker.join();
    EXPECT_EQ(seen, 77);
}

int g_idleCalls = 0;
// Callbacks run before each idle step; the third pass is the one with the window's idle
// event, so quitting then still lets that step finish.
void QuitFromIdle(void*) {
    if (++g_idleCalls == 3) PostQuitMessage(0);
}

TEST_F(FrameTest, AnIdleLoopRunsIdleCallbacksAndTheWindowsIdleEvent) {
    Log().events.clear();
    RegisterIdleCallback(Handle(kWindowUnitId), &QuitFromIdle, nullptr);
    RegisterIdleCallback(Handle(kWindowUnitId), &QuitFromIdle, nullptr);  // ignored: already registered
    // Idle steps 0 and 1 are the framework's; the window's idle event comes from step 2 on,
    // and a handler answering 0 ends the idle period.
    PostMessageA(Handle(kWindowUnitId), WM_NULL, 0, 0);
    RunMessageLoop();
    EXPECT_EQ(g_idleCalls, 3);
    int idleEvents = 0;
    for (const std::string& e : Log().events) idleEvents += e == "idle elapsed";
    EXPECT_EQ(idleEvents, 1);
}

TEST(FrameLoading, UnitsThatCannotBeCreatedFailTheWholeLoad) {
    EXPECT_FALSE(LoadWindow(kUnknownTypeWindow, nullptr, false));
    EXPECT_FALSE(LoadWindow(kTooNewWindow, nullptr, false));
    EXPECT_FALSE(LoadWindow(kCutShortWindow, nullptr, false));
    EXPECT_EQ(LookupUnit(kTooNewWindow, kWindowUnitId), nullptr);
}

TEST(FrameLoading, ACreatedHandlerThatDestroysItsWindowStopsTheLoad) {
    Log().events.clear();
    EXPECT_FALSE(LoadWindow(kSelfDestroyWindow, nullptr, false));
    ASSERT_EQ(Log().events.size(), 1u);
    EXPECT_EQ(Log().events[0], "destroying");
}

TEST(FrameMemory, ConstantsAreNeverFreedAndResizeCopiesThemOut) {
    const char* text = TestConstantText();
    char* asBlock = const_cast<char*>(text);
    EXPECT_TRUE(IsInConstantArea(text));
    Release(asBlock);
    Release(asBlock + 4);
    EXPECT_STREQ(text, "constant");
    void* copy = Resize(asBlock, 9);
    ASSERT_NE(copy, static_cast<void*>(asBlock));
    EXPECT_FALSE(IsInConstantArea(copy));
    EXPECT_STREQ(static_cast<char*>(copy), "constant");
    // Asking for more than the area holds copies only up to its end.
    void* tail = Resize(asBlock + 28, 64);
    EXPECT_EQ(std::memcmp(tail, TestConstantArea() + 28, 4), 0);
    Release(tail);
    Release(copy);
    Release(nullptr);
    EXPECT_STREQ(text, "constant");
}

TEST(Gbk, SourceLiteralsCompileToGbkBytes) {
    const char* literal = "安装程序";
    const unsigned char expected[] = {0xB0, 0xB2, 0xD7, 0xB0, 0xB3, 0xCC, 0xD0, 0xF2, 0x00};
    EXPECT_EQ(std::memcmp(literal, expected, sizeof(expected)), 0);
}

}  // namespace
}  // namespace quill::test
