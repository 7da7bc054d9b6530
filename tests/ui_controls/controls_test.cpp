// The control types inside a running program: each is created by the window loader from
// the test template and driven by property writes, window messages and real input.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "runtime/frame.h"
#include "tests/ui_controls/controls_harness.h"
#include "ui/label.h"
#include "ui/pic_box.h"
#include "ui/pic_btn.h"
#include "ui/process_bar.h"
#include "ui/gdi.h"
#include "runtime/template_format.h"
#include "ui/text_drawing.h"
#include "ui/timer_unit.h"
#include "ui/trans_label.h"
#include "ui/window_unit.h"

namespace quill::test {
namespace {

HWND Handle(uint32_t unit) { return GetUnitHandle(kControlsWindow, unit); }
void Set(uint32_t unit, int k, const PropValue& v) { SetProperty(kControlsWindow, unit, 8 + k, v); }
void SetInt(uint32_t unit, int k, int32_t v) { Set(unit, k, PropValue::Integer(v)); }
PropValue Get(uint32_t unit, int k) { return GetProperty(kControlsWindow, unit, 8 + k); }
int32_t GetInt(uint32_t unit, int k) { return Get(unit, k).i; }
template <class T>
T* UnitOf(uint32_t unit) {
    return dynamic_cast<T*>(LookupUnit(kControlsWindow, unit));
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
// A point of the window's client area on the screen.
POINT OnScreen(int x, int y) {
    POINT p{x, y};
    ClientToScreen(Handle(kWindowUnitId), &p);
    return p;
}

// Pumps until `done` holds, for at most `ms` milliseconds.
bool PumpUntil(const std::function<bool()>& done, int ms = 3000) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (!done()) {
        if (static_cast<LONG>(GetTickCount() - end) >= 0) return false;
        Pump(10);
    }
    return true;
}

// A real click at a screen point; returns once `seen` holds (or after a few seconds), then
// gives the rest of the click's messages time to arrive.
// Every event carries the point itself: under Wine a relative button event may be placed
// where the X pointer still was, not where SetCursorPos put it.
void RealClick(POINT screen, const std::function<bool()>& seen) {
    INPUT in[3] = {};
    const LONG x = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    const LONG y = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        in[i].type = INPUT_MOUSE;
        in[i].mi.dx = x;
        in[i].mi.dy = y;
        in[i].mi.dwFlags = flags[i] | MOUSEEVENTF_ABSOLUTE;
    }
    SendInput(1, &in[0], sizeof(INPUT));
    // The press must land where the pointer is, and under load the move can take a while to
    // arrive: wait for it rather than a fixed time.
    PumpUntil([screen] {
        POINT at{};
        return GetCursorPos(&at) && std::abs(at.x - screen.x) <= 1 && std::abs(at.y - screen.y) <= 1;
    });
    Pump(50);
    SendInput(2, &in[1], sizeof(INPUT));
    PumpUntil(seen);
    Pump(100);
}

class ControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(LoadWindow(kControlsWindow, nullptr, false));
        SetForegroundWindow(Handle(kWindowUnitId));
        Pump(300);
    }
};

// ---- PicBtn ------------------------------------------------------------------------------

int g_pressesBelow = 0;

LRESULT CALLBACK CountPresses(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
    if (m == WM_LBUTTONDOWN) ++g_pressesBelow;
    return DefSubclassProc(h, m, w, l);
}

class PicBtnTest : public ControlsTest {
protected:
    void SetUp() override {
        btn = Handle(kButton);
        Set(kButton, PicBtn::kNormal, PropValue::OfBytes(SolidBmp(40, 40, kRed)));
        Set(kButton, PicBtn::kHover, PropValue::OfBytes(SolidBmp(40, 40, kGreen)));
        Set(kButton, PicBtn::kPressed, PropValue::OfBytes(SolidBmp(40, 40, kBlue)));
        Set(kButton, PicBtn::kDisabled, PropValue::OfBytes(""));
        EnableWindow(btn, TRUE);
        Leave();
    }
    // The pointer leaves the button with no mouse button held.
    void Leave() { SendMessageA(btn, WM_MOUSEMOVE, 0, At(200, 200)); }
    COLORREF Shown() { return RenderedPixel(btn, 20, 20); }
    int State() { return UnitOf<PicBtn>(kButton)->state(); }

    HWND btn = nullptr;
};

TEST_F(PicBtnTest, HoverPressAndReleaseInsideRaiseClickedOnce) {
    ASSERT_EQ(State(), PicBtn::kStateNormal);
    EXPECT_EQ(Shown(), kRed);
    SendMessageA(btn, WM_MOUSEMOVE, 0, At(20, 20));
    EXPECT_EQ(State(), PicBtn::kStateHover);
    EXPECT_EQ(Shown(), kGreen);
    EXPECT_EQ(GetCapture(), btn);

    SendMessageA(btn, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    EXPECT_EQ(Shown(), kBlue);
    const int before = Counts().clicked;
    SendMessageA(btn, WM_LBUTTONUP, 0, At(20, 20));
    EXPECT_EQ(Counts().clicked, before + 1);
    // After a click the state is normal even with the pointer still over the button.
    EXPECT_EQ(State(), PicBtn::kStateNormal);
    EXPECT_EQ(Shown(), kRed);
    EXPECT_NE(GetCapture(), btn);
    SendMessageA(btn, WM_MOUSEMOVE, 0, At(21, 20));
    EXPECT_EQ(Shown(), kGreen);
}

TEST_F(PicBtnTest, PressWithoutPressedPictureShowsTheNormalOneNotTheHoverOne) {
    Set(kButton, PicBtn::kPressed, PropValue::OfBytes(""));
    SendMessageA(btn, WM_MOUSEMOVE, 0, At(20, 20));
    EXPECT_EQ(Shown(), kGreen);
    SendMessageA(btn, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    EXPECT_EQ(State(), PicBtn::kStatePressed);
    EXPECT_EQ(Shown(), kRed);
    SendMessageA(btn, WM_LBUTTONUP, 0, At(20, 20));
}

TEST_F(PicBtnTest, ReleaseOutsideRaisesNothingAndFreesTheMouse) {
    SendMessageA(btn, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    EXPECT_EQ(GetCapture(), btn);
    // Dragged off with the button held: normal picture, capture kept to see the release.
    SendMessageA(btn, WM_MOUSEMOVE, MK_LBUTTON, At(200, 20));
    EXPECT_EQ(State(), PicBtn::kStateNormal);
    EXPECT_EQ(GetCapture(), btn);
    // Back over the button with the button still held: pressed again.
    SendMessageA(btn, WM_MOUSEMOVE, MK_LBUTTON, At(20, 20));
    EXPECT_EQ(State(), PicBtn::kStatePressed);
    SendMessageA(btn, WM_MOUSEMOVE, MK_LBUTTON, At(200, 20));
    const int before = Counts().clicked;
    SendMessageA(btn, WM_LBUTTONUP, 0, At(200, 20));
    EXPECT_EQ(Counts().clicked, before);
    EXPECT_NE(GetCapture(), btn);
    EXPECT_EQ(Shown(), kRed);
}

TEST_F(PicBtnTest, DisabledButtonIgnoresPressesAndShowsItsDisabledPicture) {
    SetProperty(kControlsWindow, kButton, 6, PropValue::Integer(1));  // common property: disabled
    ASSERT_FALSE(IsWindowEnabled(btn));
    EXPECT_EQ(Shown(), kRed);  // no disabled picture: the normal one
    const int before = Counts().clicked;
    SendMessageA(btn, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    EXPECT_EQ(State(), PicBtn::kStateNormal);
    SendMessageA(btn, WM_MOUSEMOVE, 0, At(20, 20));
    EXPECT_EQ(State(), PicBtn::kStateNormal);
    SendMessageA(btn, WM_LBUTTONUP, 0, At(20, 20));
    EXPECT_EQ(Counts().clicked, before);

    Set(kButton, PicBtn::kDisabled, PropValue::OfBytes(SolidBmp(40, 40, kGrey)));
    EXPECT_EQ(Shown(), kGrey);
    SetProperty(kControlsWindow, kButton, 6, PropValue::Integer(0));
    EXPECT_EQ(Shown(), kRed);
}

TEST_F(PicBtnTest, PictureWritesRepaintOnlyTheStateOnShow) {
    SendMessageA(btn, WM_MOUSEMOVE, 0, At(20, 20));
    Set(kButton, PicBtn::kHover, PropValue::OfBytes(SolidBmp(40, 40, kGrey)));
    EXPECT_EQ(Shown(), kGrey);
    // A picture bigger than its button is drawn at its own size, clipped; a smaller one
    // leaves black around it.
    Set(kButton, PicBtn::kHover, PropValue::OfBytes(SolidBmp(30, 30, kGreen)));
    EXPECT_EQ(RenderedPixel(btn, 29, 29), kGreen);
    EXPECT_EQ(RenderedPixel(btn, 35, 35), RGB(0, 0, 0));
    EXPECT_EQ(Get(kButton, PicBtn::kHover).s, SolidBmp(30, 30, kGreen));
}

TEST_F(PicBtnTest, ToggleModeFlipsOnEachReleaseAndRaisesClickedEachTime) {
    HWND toggle = Handle(kToggleButton);
    const int before = Counts().toggleClicked;
    SendMessageA(toggle, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 20));
    EXPECT_EQ(RenderedPixel(toggle, 20, 20), kRed);  // a press alone changes nothing
    SendMessageA(toggle, WM_LBUTTONUP, 0, At(20, 20));
    EXPECT_EQ(GetInt(kToggleButton, PicBtn::kSelected), 1);
    EXPECT_EQ(RenderedPixel(toggle, 20, 20), kBlue);
    SendMessageA(toggle, WM_MOUSEMOVE, 0, At(20, 20));  // no hover in toggle mode
    EXPECT_EQ(RenderedPixel(toggle, 20, 20), kBlue);
    SendMessageA(toggle, WM_LBUTTONUP, 0, At(20, 20));
    EXPECT_EQ(GetInt(kToggleButton, PicBtn::kSelected), 0);
    EXPECT_EQ(RenderedPixel(toggle, 20, 20), kRed);
    EXPECT_EQ(Counts().toggleClicked, before + 2);

    SetInt(kToggleButton, PicBtn::kSelected, 1);
    EXPECT_EQ(RenderedPixel(toggle, 20, 20), kBlue);
    SetInt(kToggleButton, PicBtn::kSelected, 0);
    EXPECT_EQ(RenderedPixel(toggle, 20, 20), kRed);
    SetInt(kToggleButton, PicBtn::kToggle, 5);
    EXPECT_EQ(GetInt(kToggleButton, PicBtn::kToggle), 1);
}

TEST_F(PicBtnTest, TransparentColourCutsTheWindowAndClicksFallThrough) {
    HWND shaped = Handle(kShapedButton);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(shaped, rgn), ERROR);
    RECT box;
    GetRgnBox(rgn, &box);
    DeleteObject(rgn);
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, 10);
    EXPECT_EQ(box.right, 30);
    EXPECT_EQ(box.bottom, 30);

    const POINT cut = OnScreen(kShapedRect.left + 3, kShapedRect.top + 3);
    const POINT solid = OnScreen(kShapedRect.left + 20, kShapedRect.top + 20);
    EXPECT_EQ(WindowFromPoint(cut), Handle(kUnderShaped));
    EXPECT_EQ(WindowFromPoint(solid), shaped);

    // Real clicks: the cut-away pixel reaches the box below, the solid one the button.
    g_pressesBelow = 0;
    SUBCLASSPROC counter = &CountPresses;
    SetWindowSubclass(Handle(kUnderShaped), counter, 77, 0);
    SetForegroundWindow(Handle(kWindowUnitId));
    const int before = Counts().shapedClicked;
    RealClick(cut, [] { return g_pressesBelow > 0; });
    EXPECT_EQ(g_pressesBelow, 1);
    EXPECT_EQ(Counts().shapedClicked, before);
    RealClick(solid, [before] { return Counts().shapedClicked > before; });
    EXPECT_EQ(g_pressesBelow, 1);
    EXPECT_EQ(Counts().shapedClicked, before + 1);
    RemoveWindowSubclass(Handle(kUnderShaped), counter, 77);

    // No transparent colour: the whole rectangle again.
    SetInt(kShapedButton, PicBtn::kTransparent, static_cast<int32_t>(0xFF000000));
    EXPECT_EQ(WindowFromPoint(cut), shaped);
    SetInt(kShapedButton, PicBtn::kTransparent, static_cast<int32_t>(kMagenta));
    EXPECT_EQ(WindowFromPoint(cut), Handle(kUnderShaped));
}

// ---- TransLabel --------------------------------------------------------------------------

class TransLabelTest : public ControlsTest {
protected:
    // Screen position of a point of the label.
    POINT LabelPoint(int x, int y) {
        return OnScreen(kTitleBackRect.left + kTitleRect.left + x, kTitleBackRect.top + kTitleRect.top + y);
    }
    // Pixels of the label's area on the screen, from column `from` on, that are not the
    // page colour.
    int Foreign(int from) {
        const POINT topLeft = LabelPoint(0, 0);
        const int w = kTitleRect.right - kTitleRect.left, h = kTitleRect.bottom - kTitleRect.top;
        const Snapshot shot = Snapshot::OfScreen(RECT{topLeft.x, topLeft.y, topLeft.x + w, topLeft.y + h});
        return shot.CountOther(static_cast<COLORREF>(kTitleBackColour), from, 0, w, h);
    }
    void TearDown() override { Set(kTitle, 0, PropValue::OfText("安装程序")); }
};

TEST_F(TransLabelTest, ShorterCaptionLeavesNoRemainsOfTheLongerOne) {
    Set(kTitle, 0, PropValue::OfText("安装程序安装程序"));
    ASSERT_TRUE(PumpUntil([this] { return Foreign(30) > 0; })) << "the long caption shows right of column 30";
    Set(kTitle, 0, PropValue::OfText("ab"));
    EXPECT_TRUE(PumpUntil([this] { return Foreign(30) == 0; }, 1500)) << Foreign(30) << " pixels remain";
    EXPECT_GT(Foreign(0), 0) << "the short caption is drawn";
    char text[32] = {};
    GetWindowTextA(Handle(kTitle), text, sizeof(text));
    EXPECT_STREQ(text, "ab");
}

TEST_F(TransLabelTest, WritingTheSameCaptionStillRepaintsUnderTheLabel) {
    Set(kTitle, 0, PropValue::OfText("ab"));
    ASSERT_TRUE(PumpUntil([this] { return Foreign(30) == 0; }));
    // Dirty the label's area behind the system's back.
    HDC dc = GetDC(Handle(kTitleBack));
    RECT smear{kTitleRect.left + 40, kTitleRect.top, kTitleRect.left + 100, kTitleRect.bottom};
    FillRect(dc, &smear, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(Handle(kTitleBack), dc);
    ASSERT_TRUE(PumpUntil([this] { return Foreign(40) > 0; }));
    Set(kTitle, 0, PropValue::OfText("ab"));
    EXPECT_TRUE(PumpUntil([this] { return Foreign(30) == 0; }, 1500)) << Foreign(30) << " pixels remain";
}

// ---- Label -------------------------------------------------------------------------------

class LabelTest : public ControlsTest {
protected:
    void TearDown() override {
        SetInt(kLabel, Label::kBackground, static_cast<int32_t>(0xFF000000));
        Set(kLabel, Label::kPicture, PropValue::OfBytes(""));
        SetInt(kLabel, Label::kEffect, 0);
        SetInt(kLabel, Label::kTextColour, 0);
        Set(kLabel, Label::kCaption, PropValue::OfText("标签"));
    }
    int CountPixels(COLORREF colour) { return Snapshot::OfWindow(Handle(kLabel)).Count(colour, 0, 0, 150, 24); }
};

TEST_F(LabelTest, DefaultBackgroundIsTheButtonFace) {
    EXPECT_EQ(RenderedPixel(Handle(kLabel), 145, 3), GetSysColor(COLOR_BTNFACE));
    SetInt(kLabel, Label::kBackground, 0x00C48316);
    EXPECT_EQ(RenderedPixel(Handle(kLabel), 145, 3), RGB(0x16, 0x83, 0xC4));
}

TEST_F(LabelTest, GradientBorderWidthBelowFiveBecomesFive) {
    SetInt(kLabel, Label::kGradientWidth, 3);
    EXPECT_EQ(GetInt(kLabel, Label::kGradientWidth), 5);
    SetInt(kLabel, Label::kGradientWidth, 12);
    EXPECT_EQ(GetInt(kLabel, Label::kGradientWidth), 12);
    SetInt(kLabel, Label::kBorder, 9);
    EXPECT_EQ(GetInt(kLabel, Label::kBorder), 6);
    SetInt(kLabel, Label::kBorder, 0);
}

TEST_F(LabelTest, FeedbackMessageRaisesEventZeroAndReturnsTheHandlersValue) {
    const int before = Counts().feedback;
    EXPECT_EQ(SendMessageA(Handle(kLabel), Label::kFeedbackMessage, 30, 12), 42);
    EXPECT_EQ(Counts().feedback, before + 1);
    EXPECT_EQ(Counts().feedbackArgs[0], 30);
    EXPECT_EQ(Counts().feedbackArgs[1], 12);
}

TEST_F(LabelTest, PictureModesPlaceThePictureAndTheBackgroundFillsTheRest) {
    HWND label = Handle(kLabel);
    SetInt(kLabel, Label::kBackground, 0x00FFFFFF);
    Set(kLabel, Label::kCaption, PropValue::OfText(""));
    Set(kLabel, Label::kPicture, PropValue::OfBytes(SolidBmp(10, 10, kRed)));
    SetInt(kLabel, Label::kPictureMode, 0);
    EXPECT_EQ(RenderedPixel(label, 9, 9), kRed);
    EXPECT_EQ(RenderedPixel(label, 10, 9), RGB(255, 255, 255));
    SetInt(kLabel, Label::kPictureMode, 1);  // tiled across the whole label
    EXPECT_EQ(RenderedPixel(label, 145, 20), kRed);
    SetInt(kLabel, Label::kPictureMode, 2);  // centred: (150 - 10) / 2, (24 - 10) / 2
    EXPECT_EQ(RenderedPixel(label, 70, 7), kRed);
    EXPECT_EQ(RenderedPixel(label, 69, 7), RGB(255, 255, 255));
    Set(kLabel, Label::kPicture, PropValue::OfBytes("not a picture"));
    EXPECT_EQ(RenderedPixel(label, 70, 7), RGB(255, 255, 255));
}

TEST_F(LabelTest, ShadowEffectDrawsABlackCopyBesideTheText) {
    SetInt(kLabel, Label::kBackground, 0x00C48316);
    SetInt(kLabel, Label::kTextColour, 0x00FFFFFF);
    EXPECT_EQ(CountPixels(RGB(0, 0, 0)), 0);
    SetInt(kLabel, Label::kEffect, 3);
    EXPECT_GT(CountPixels(RGB(0, 0, 0)), 0);
}

// ---- ProcessBar --------------------------------------------------------------------------

class ProcessBarTest : public ControlsTest {
protected:
    void TearDown() override {
        SetInt(kProgress, ProcessBar::kMinimum, 0);
        SetInt(kProgress, ProcessBar::kMaximum, 100);
        SetInt(kProgress, ProcessBar::kPosition, 0);
        SetInt(kProgress, ProcessBar::kVertical, 0);
    }
    PBRANGE Range() {
        PBRANGE r{};
        SendMessageA(Handle(kProgress), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    int Shown() { return static_cast<int>(SendMessageA(Handle(kProgress), PBM_GETPOS, 0, 0)); }
};

TEST_F(ProcessBarTest, CrossedRangeIsSentOrderedAndThePositionBoundByTheMaximum) {
    SetInt(kProgress, ProcessBar::kMinimum, 50);
    SetInt(kProgress, ProcessBar::kMaximum, 10);
    EXPECT_EQ(Range().iLow, 10);
    EXPECT_EQ(Range().iHigh, 50);
    SetInt(kProgress, ProcessBar::kPosition, 70);
    EXPECT_EQ(Shown(), 10);
    EXPECT_EQ(GetInt(kProgress, ProcessBar::kPosition), 70);

    SetInt(kProgress, ProcessBar::kMinimum, 0);
    SetInt(kProgress, ProcessBar::kMaximum, 100);
    SetInt(kProgress, ProcessBar::kPosition, 150);
    EXPECT_EQ(Shown(), 100);
    SetInt(kProgress, ProcessBar::kPosition, 37);
    EXPECT_EQ(Shown(), 37);
}

TEST_F(ProcessBarTest, ValuesClampToTheSixteenBitRange) {
    SetInt(kProgress, ProcessBar::kPosition, -5);
    EXPECT_EQ(GetInt(kProgress, ProcessBar::kPosition), 0);
    SetInt(kProgress, ProcessBar::kPosition, 40000);
    EXPECT_EQ(GetInt(kProgress, ProcessBar::kPosition), 32767);
    SetInt(kProgress, ProcessBar::kMaximum, 99999);
    EXPECT_EQ(GetInt(kProgress, ProcessBar::kMaximum), 32767);
    SetInt(kProgress, ProcessBar::kBorder, 8);
    EXPECT_EQ(GetInt(kProgress, ProcessBar::kBorder), 5);
    EXPECT_TRUE(GetWindowLongA(Handle(kProgress), GWL_STYLE) & WS_BORDER);
    SetInt(kProgress, ProcessBar::kBorder, 3);
    EXPECT_FALSE(GetWindowLongA(Handle(kProgress), GWL_STYLE) & WS_BORDER);
    EXPECT_TRUE(GetWindowLongA(Handle(kProgress), GWL_EXSTYLE) & WS_EX_STATICEDGE);
}

TEST_F(ProcessBarTest, StyleChangeRecreatesTheControlAndAnUnchangedValueDoesNothing) {
    SetInt(kProgress, ProcessBar::kPosition, 25);
    HWND before = Handle(kProgress);
    SetInt(kProgress, ProcessBar::kVertical, 1);
    HWND after = Handle(kProgress);
    EXPECT_NE(after, before);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_TRUE(GetWindowLongA(after, GWL_STYLE) & PBS_VERTICAL);
    EXPECT_EQ(GetParent(after), Handle(kWindowUnitId));
    EXPECT_EQ(GetInt(kProgress, ProcessBar::kVertical), 1);
    EXPECT_EQ(Shown(), 25);  // the new control starts from the stored properties

    SetInt(kProgress, ProcessBar::kVertical, 7);  // normalised to 1: unchanged
    EXPECT_EQ(Handle(kProgress), after);
}

// ---- PicBox ------------------------------------------------------------------------------

class PicBoxTest : public ControlsTest {
protected:
    void TearDown() override {
        Set(kBox, PicBox::kPicture, PropValue::OfBytes(""));
        SetInt(kBox, PicBox::kPictureMode, 2);
    }
    COLORREF At(int x, int y) { return RenderedPixel(Handle(kBox), x, y); }
    static constexpr COLORREF kWhite = RGB(255, 255, 255);
};

TEST_F(PicBoxTest, CentredModeDrawsSmallPicturesUnscaledInTheMiddle) {
    Set(kBox, PicBox::kPicture, PropValue::OfBytes(SolidBmp(30, 20, kRed)));
    const RECT r = UnitOf<PicBox>(kBox)->PictureRect();
    EXPECT_EQ(r.left, 35);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right, 65);
    EXPECT_EQ(r.bottom, 60);
    EXPECT_EQ(At(35, 40), kRed);
    EXPECT_EQ(At(64, 59), kRed);
    EXPECT_EQ(At(34, 40), kWhite);
    EXPECT_EQ(At(65, 59), kWhite);
    EXPECT_EQ(At(35, 60), kWhite);
}

TEST_F(PicBoxTest, CentredModeShrinksLargePicturesByTheSmallerRatio) {
    Set(kBox, PicBox::kPicture, PropValue::OfBytes(SolidBmp(400, 200, kRed)));
    const RECT r = UnitOf<PicBox>(kBox)->PictureRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 25);
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 50);
    EXPECT_EQ(At(50, 24), kWhite);
    EXPECT_TRUE(Near(At(50, 26), kRed));
    EXPECT_TRUE(Near(At(50, 73), kRed));
    EXPECT_EQ(At(50, 75), kWhite);
}

TEST_F(PicBoxTest, TopLeftAndStretchedModes) {
    Set(kBox, PicBox::kPicture, PropValue::OfBytes(SolidBmp(30, 20, kRed)));
    SetInt(kBox, PicBox::kPictureMode, 0);
    EXPECT_EQ(At(0, 0), kRed);
    EXPECT_EQ(At(30, 0), kWhite);
    SetInt(kBox, PicBox::kPictureMode, 1);
    EXPECT_TRUE(Near(At(99, 99), kRed));
    SetInt(kBox, PicBox::kPictureMode, 7);
    EXPECT_EQ(GetInt(kBox, PicBox::kPictureMode), 2);
    // A picture that cannot be decoded leaves only the background.
    Set(kBox, PicBox::kPicture, PropValue::OfBytes("GIF89a but nothing else"));
    EXPECT_EQ(At(50, 50), kWhite);
    SetInt(kBox, PicBox::kBackground, 0x00C48316);
    EXPECT_EQ(At(50, 50), RGB(0x16, 0x83, 0xC4));
    SetInt(kBox, PicBox::kBackground, 0x00FFFFFF);
}

// ---- Timer -------------------------------------------------------------------------------

TEST_F(ControlsTest, TimerRunsOnlyWithAPeriod) {
    Timer* timer = UnitOf<Timer>(kTimer);
    ASSERT_NE(timer, nullptr);
    const int start = Counts().elapsed;
    EXPECT_FALSE(timer->running());
    Pump(300);
    EXPECT_EQ(Counts().elapsed, start);

    SetInt(kTimer, 0, 100);
    EXPECT_TRUE(timer->running());
    Pump(450);
    const int ticks = Counts().elapsed - start;
    EXPECT_GE(ticks, 2);
    SetInt(kTimer, 0, 100);  // the same period: nothing changes
    EXPECT_TRUE(timer->running());
    EXPECT_EQ(GetInt(kTimer, 0), 100);

    SetInt(kTimer, 0, 0);
    EXPECT_FALSE(timer->running());
    const int stopped = Counts().elapsed;
    Pump(300);
    EXPECT_EQ(Counts().elapsed, stopped);
    SetInt(kTimer, 0, -20);
    EXPECT_EQ(GetInt(kTimer, 0), 0);
    EXPECT_FALSE(timer->running());
}

// ---- Texts -------------------------------------------------------------------------------

// Captions reach their windows in the wide form, so a character GBK cannot write shows as
// itself on a system of any code page and the caption reads back byte for byte. Every unit
// window is a Unicode one, the subclassed progress bar included.
TEST_F(ControlsTest, CaptionsReachTheirWindowsExactlyAndEveryUnitWindowIsUnicode) {
    const std::string caption = "J\x81\x30\x8B\x32rg \x83\x36\x84\x33 中";
    const std::wstring wide = L"J\u00F6rg \uD55C \u4E2D";
    const struct {
        uint32_t unit;
        int k;
    } captions[] = {{kLabel, Label::kCaption}, {kTitle, TransLabel::kCaption}, {kWindowUnitId, WindowUnit::kCaption}};
    for (const auto& c : captions) {
        const std::string before = Get(c.unit, c.k).s;
        Set(c.unit, c.k, PropValue::OfText(caption));
        wchar_t text[64] = {};
        GetWindowTextW(Handle(c.unit), text, 64);
        EXPECT_EQ(std::wstring(text), wide) << std::hex << c.unit;
        EXPECT_EQ(Get(c.unit, c.k).s, caption) << std::hex << c.unit;
        Set(c.unit, c.k, PropValue::OfText(before));
    }
    const uint32_t units[] = {kWindowUnitId, kButton, kToggleButton, kShapedButton, kTitle, kLabel,
                              kProgress,     kBox,    kTimer,        kTitleBack,    kUnderShaped};
    for (uint32_t unit : units) EXPECT_TRUE(IsWindowUnicode(Handle(unit))) << std::hex << unit;
}

// Labels draw with the fonts a Simplified Chinese system makes, on a system of any language:
// a stored face name (a text of the system) in its wide form, SimSun for none, the GB2312 set
// for any set stored, and without a stored font the stock GUI font as such a system has it.
TEST(LabelFont, IsTheOneASimplifiedChineseSystemMakes) {
    auto stored = [](const char* face) {
        LOGFONTA lf{};
        lf.lfHeight = -14;
        lf.lfWeight = 700;
        lf.lfCharSet = ANSI_CHARSET;
        std::strcpy(lf.lfFaceName, face);
        return std::string(reinterpret_cast<const char*>(&lf), sizeof lf);
    };
    const struct {
        std::string stored;
        LONG height, weight;
        std::wstring face;
    } cases[] = {
        {stored("宋体"), -14, 700, L"\u5B8B\u4F53"},
        {stored(""), -14, 700, L"SimSun"},
        {"", -12, FW_NORMAL, L"SimSun"},
        {std::string(kLogFontSize - 1, '\0'), -12, FW_NORMAL, L"SimSun"},  // not a LOGFONT
    };
    for (const auto& c : cases) {
        Font font(CreateLabelFont(c.stored));
        LOGFONTW lf{};
        ASSERT_EQ(GetObjectW(font.get(), sizeof lf, &lf), static_cast<int>(sizeof lf));
        EXPECT_EQ(std::make_tuple(lf.lfHeight, lf.lfWeight, lf.lfCharSet, std::wstring(lf.lfFaceName)),
                  std::make_tuple(c.height, c.weight, static_cast<BYTE>(GB2312_CHARSET), c.face));
    }
}

// ---- Writes from another thread ----------------------------------------------------------

TEST_F(ControlsTest, WritesFromAWorkerHaveTakenEffectWhenTheyReturn) {
    std::vector<std::string> failures;
    std::atomic<bool> done{false};
    auto check = [&](bool ok, const char* what) {
        if (!ok) failures.push_back(what);
    };
    std::thread worker([&] {
        Set(kLabel, Label::kCaption, PropValue::OfText("正在安装"));
        char text[64] = {};
        GetWindowTextA(Handle(kLabel), text, sizeof(text));
        check(std::string(text) == "正在安装", "label caption");

        Set(kTitle, 0, PropValue::OfText("完成"));
        GetWindowTextA(Handle(kTitle), text, sizeof(text));
        check(std::string(text) == "完成", "transparent label caption");

        SetProperty(kControlsWindow, kProgress, 5, PropValue::Integer(0));
        check(!IsWindowVisible(Handle(kProgress)), "progress bar hidden");
        SetProperty(kControlsWindow, kProgress, 5, PropValue::Integer(1));
        check(IsWindowVisible(Handle(kProgress)) != FALSE, "progress bar shown");
        SetInt(kProgress, ProcessBar::kPosition, 64);
        check(SendMessageA(Handle(kProgress), PBM_GETPOS, 0, 0) == 64, "progress position");

        SetProperty(kControlsWindow, kLabel, 0, PropValue::Integer(12));
        RECT r;
        GetWindowRect(Handle(kLabel), &r);
        MapWindowPoints(nullptr, Handle(kWindowUnitId), reinterpret_cast<POINT*>(&r), 2);
        check(r.left == 12, "label moved");

        Set(kButton, PicBtn::kNormal, PropValue::OfBytes(SolidBmp(40, 40, kGrey)));
        check(RenderedPixel(Handle(kButton), 20, 20) == kGrey, "button picture");

        Set(kBox, PicBox::kPicture, PropValue::OfBytes(SolidBmp(30, 20, kRed)));
        check(UnitOf<PicBox>(kBox)->PictureRect().left == 35, "box picture");

        SetInt(kTimer, 0, 0);
        check(!UnitOf<Timer>(kTimer)->running(), "timer");
        done = true;
    });
    while (!done) Pump(10);
    worker.join();
    EXPECT_TRUE(failures.empty()) << failures.front();

    SetProperty(kControlsWindow, kLabel, 0, PropValue::Integer(10));
    SetInt(kProgress, ProcessBar::kPosition, 0);
    Set(kLabel, Label::kCaption, PropValue::OfText("标签"));
    Set(kTitle, 0, PropValue::OfText("安装程序"));
    Set(kButton, PicBtn::kNormal, PropValue::OfBytes(SolidBmp(40, 40, kRed)));
    Set(kBox, PicBox::kPicture, PropValue::OfBytes(""));
}

}  // namespace
}  // namespace quill::test
