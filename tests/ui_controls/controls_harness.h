// A program of the runtime for the control tests: one window holding a control of each
// type with handlers that record their events. The test main runs GoogleTest from the
// program's start-up routine, so the tests see a loaded runtime on its main thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quill::test {

constexpr uint32_t kControlsWindow = 0x52010020;

// Units of the window, top of the stacking order first.
enum : uint32_t {
    kButton = 0x16010001,       // PicBtn 40 x 40: red normal, green hover, blue pressed
    kToggleButton = 0x16010002, // PicBtn in toggle mode: red normal, blue pressed
    kShapedButton = 0x16010003, // PicBtn: red 20 x 20 square on magenta, magenta transparent
    kTitle = 0x16010004,        // TransLabel on kTitleBack, yellow bold "安装程序"
    kLabel = 0x16010005,        // Label, event 0 bound
    kProgress = 0x16010006,     // ProcessBar
    kBox = 0x16010007,          // PicBox 100 x 100, white, mode 2, no picture
    kTimer = 0x16010008,        // Timer, period 0, event 0 bound
    kTitleBack = 0x16010009,    // PicBox 400 x 40, page blue, under the title
    kUnderShaped = 0x1601000A,  // PicBox under kShapedButton
};

// Geometry the tests rely on (client coordinates of the window).
constexpr RECT kButtonRect{10, 10, 50, 50};
constexpr RECT kShapedRect{110, 10, 150, 50};
constexpr RECT kTitleBackRect{0, 60, 400, 100};
constexpr RECT kTitleRect{10, 8, 160, 32};  // inside kTitleBack
constexpr uint32_t kTitleBackColour = 0x00C48316;

// Picture colours.
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Event counts of the bound handlers.
struct Events {
    int clicked = 0;        // kButton
    int toggleClicked = 0;  // kToggleButton
    int shapedClicked = 0;  // kShapedButton
    int elapsed = 0;        // kTimer
    int feedback = 0;       // kLabel
    int32_t feedbackArgs[2] = {0, 0};
};
Events& Counts();

// A 24-bit BMP file of w x h whose pixel (x, y) is colour(x, y).
std::string MakeBmp(int w, int h, const std::function<COLORREF(int x, int y)>& colour);
std::string SolidBmp(int w, int h, COLORREF colour);

// An asset picture of the installer (assets/<name>).
std::string Asset(const std::string& name);

// Runs the thread's messages for `ms` milliseconds.
void Pump(int ms);

// What a window shows, rendered off screen through WM_PRINTCLIENT; the pixel at (x, y).
COLORREF RenderedPixel(HWND hwnd, int x, int y);
// A pixel of the screen (what the user sees).
COLORREF ScreenPixel(int x, int y);

// A copy of pixels to look at many times: a window's own rendering or a screen area.
class Snapshot {
public:
    static Snapshot OfWindow(HWND hwnd);       // through WM_PRINTCLIENT, client coordinates
    static Snapshot OfScreen(const RECT& r);   // coordinates relative to r's top left
    COLORREF at(int x, int y) const;
    int width() const { return w_; }
    int height() const { return h_; }
    // Pixels of the rectangle (x0, y0)-(x1, y1) that are not `colour` / that are.
    int CountOther(COLORREF colour, int x0, int y0, int x1, int y1) const;
    int Count(COLORREF colour, int x0, int y0, int x1, int y1) const;

private:
    static Snapshot Grab(int w, int h, const std::function<void(HDC)>& draw);
    std::vector<uint32_t> px_;
    int w_ = 0, h_ = 0;
};
// Colours within `tolerance` per channel (JPEG and scaling blur exact values).
bool Near(COLORREF a, COLORREF b, int tolerance = 24);

}  // namespace quill::test
