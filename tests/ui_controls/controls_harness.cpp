#include "tests/ui_controls/controls_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "runtime/frame.h"
#include "runtime/byte_stream.h"
#include "ui/libraries.h"
#include "ui/props/label_props.h"
#include "ui/props/pic_box_props.h"
#include "ui/props/pic_btn_props.h"
#include "ui/props/trans_label_props.h"
#include "ui/props/window_props.h"
#include "runtime/template_format.h"
#include "tests/support/test_window.h"
#include "tests/support/tests_in_program.h"

#ifndef QUILL_TEST_ASSETS
#error "QUILL_TEST_ASSETS must name the assets folder"
#endif

namespace quill::test {

namespace {

bool OnClicked(const int32_t*, int32_t*) {
    ++Counts().clicked;
    return false;
}
bool OnToggleClicked(const int32_t*, int32_t*) {
    ++Counts().toggleClicked;
    return false;
}
bool OnShapedClicked(const int32_t*, int32_t*) {
    ++Counts().shapedClicked;
    return false;
}
bool OnFeedback(const int32_t* args, int32_t* result) {
    ++Counts().feedback;
    Counts().feedbackArgs[0] = args[0];
    Counts().feedbackArgs[1] = args[1];
    *result = args[0] + args[1];
    return true;
}
bool OnElapsed(const int32_t*, int32_t*) {
    ++Counts().elapsed;
    return false;
}

const HandlerSlot kHandlers[] = {{&OnClicked}, {&OnToggleClicked}, {&OnShapedClicked}, {&OnFeedback}, {&OnElapsed}};
constexpr int32_t Slot(int i) { return i * static_cast<int32_t>(sizeof(HandlerSlot)); }

struct UnitSpec {
    uint32_t id;
    uint32_t type;
    RECT r;
    uint32_t container;
    bool visible;
    std::vector<EventBinding> events;
    std::string own;
};

std::string Button(std::string normal, std::string hover, std::string pressed, int toggle = 0,
                   uint32_t transparent = PicBtnProps::kNoColour) {
    PicBtnProps p;
    p.normal = std::move(normal);
    p.hover = std::move(hover);
    p.pressed = std::move(pressed);
    p.toggle = toggle;
    p.transparent = transparent;
    return p.Write();
}

std::string Box(uint32_t background, int mode) {
    PicBoxProps p;
    p.background = background;
    p.pictureMode = mode;
    return p.Write();
}

std::string BoldFont() {
    ByteWriter w;
    w.i32(-12);
    w.i32(0);
    w.i32(0);
    w.i32(0);
    w.i32(700);
    w.raw(std::string(8, '\0'));
    w.raw(std::string(32, '\0'));
    return w.take();
}

std::string BuildTemplate() {
    WindowProps wp;
    wp.caption = "控件测试";
    wp.border = 0;
    wp.position = 0;
    wp.background = 0x00EEB875;
    TransLabelProps title;
    title.caption = "安装程序";
    title.textColour = 0x0000FFFF;
    title.font = BoldFont();
    LabelProps label;
    label.caption = "标签";

    const std::string shaped =
        MakeBmp(40, 40, [](int x, int y) { return x >= 10 && x < 30 && y >= 10 && y < 30 ? kRed : kMagenta; });
    const std::vector<UnitSpec> unitSpecs = {
        {kButton, kTypePicBtn, kButtonRect, 0, true, {{0, Slot(0)}},
         Button(SolidBmp(40, 40, kRed), SolidBmp(40, 40, kGreen), SolidBmp(40, 40, kBlue))},
        {kToggleButton, kTypePicBtn, {60, 10, 100, 50}, 0, true, {{0, Slot(1)}},
         Button(SolidBmp(40, 40, kRed), {}, SolidBmp(40, 40, kBlue), 1)},
        {kShapedButton, kTypePicBtn, kShapedRect, 0, true, {{0, Slot(2)}}, Button(shaped, {}, {}, 0, kMagenta)},
        {kTitle, kTypeTransLabel, kTitleRect, kTitleBack, true, {}, title.Write()},
        {kLabel, kTypeLabel, {10, 110, 160, 134}, 0, true, {{0, Slot(3)}}, label.Write()},
        {kProgress, kTypeProcessBar, {10, 140, 210, 150}, 0, true, {}, {}},
        {kBox, kTypePicBox, {220, 110, 320, 210}, 0, true, {}, Box(0x00FFFFFF, 2)},
        {kTimer, kTypeTimer, {0, 0, 10, 10}, 0, false, {{0, Slot(4)}}, {}},
        {kTitleBack, kTypePicBox, kTitleBackRect, 0, true, {}, Box(kTitleBackColour, 0)},
        {kUnderShaped, kTypePicBox, {100, 0, 160, 60}, 0, true, {}, Box(0x00808080, 0)},
    };

    WindowEntry e;
    UnitRecord window = WindowRecord("控件窗口", 100, 100, 400, 300);
    window.ownProperties = wp.Write();
    e.unitIds.push_back(kWindowUnitId);
    e.units.push_back(window);
    for (const UnitSpec& s : unitSpecs) {
        UnitRecord u;
        u.type = s.type;
        u.name = "控件";
        u.left = s.r.left;
        u.top = s.r.top;
        u.width = s.r.right - s.r.left;
        u.height = s.r.bottom - s.r.top;
        u.container = s.container;
        u.flags = s.visible ? kUnitVisible : 0;
        u.cursor = std::string(4, '\0');
        u.events = s.events;
        u.ownProperties = s.own;
        e.unitIds.push_back(s.id);
        e.units.push_back(std::move(u));
    }
    LinkContainers(&e);
    WindowTemplate t;
    t.windowIds.push_back(kControlsWindow);
    t.windows.push_back(std::move(e));
    return WriteTemplate(t);
}

const uint8_t kConstants[16] = {'c', 't', 'l', 0};
std::string g_template;

}  // namespace

Events& Counts() {
    static Events events;
    return events;
}

std::string MakeBmp(int w, int h, const std::function<COLORREF(int x, int y)>& colour) {
    const int stride = (w * 3 + 3) & ~3;
    ByteWriter out;
    const uint32_t pixelBytes = static_cast<uint32_t>(stride * h);
    out.raw("BM", 2);
    out.u32(14 + 40 + pixelBytes);
    out.u32(0);
    out.u32(14 + 40);
    out.u32(40);
    out.i32(w);
    out.i32(h);  // bottom-up
    out.u32(1 | (24u << 16));
    out.u32(0);
    out.u32(pixelBytes);
    out.u32(2835);
    out.u32(2835);
    out.u32(0);
    out.u32(0);
    for (int y = h - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(stride), '\0');
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colour(x, y);
            row[x * 3] = static_cast<char>(GetBValue(c));
            row[x * 3 + 1] = static_cast<char>(GetGValue(c));
            row[x * 3 + 2] = static_cast<char>(GetRValue(c));
        }
        out.raw(row);
    }
    return out.take();
}

std::string SolidBmp(int w, int h, COLORREF colour) {
    return MakeBmp(w, h, [colour](int, int) { return colour; });
}

std::string Asset(const std::string& name) {
    std::ifstream in(std::string(QUILL_TEST_ASSETS) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Pump(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (static_cast<LONG>(GetTickCount() - end) < 0);
}

COLORREF RenderedPixel(HWND hwnd, int x, int y) { return Snapshot::OfWindow(hwnd).at(x, y); }

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

Snapshot Snapshot::Grab(int w, int h, const std::function<void(HDC)>& draw) {
    Snapshot s;
    s.w_ = w > 0 ? w : 1;
    s.h_ = h > 0 ? h : 1;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = s.w_;
    bi.bmiHeader.biHeight = -s.h_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    draw(dc);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    s.px_.assign(p, p + static_cast<size_t>(s.w_) * s.h_);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
    return s;
}

Snapshot Snapshot::OfWindow(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return Grab(rc.right, rc.bottom, [hwnd](HDC dc) {
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

Snapshot Snapshot::OfScreen(const RECT& r) {
    return Grab(r.right - r.left, r.bottom - r.top, [&r](HDC dc) {
        HDC screen = GetDC(nullptr);
        BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    });
}

COLORREF Snapshot::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return CLR_INVALID;
    const uint32_t v = px_[static_cast<size_t>(y) * w_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

int Snapshot::Count(COLORREF colour, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (at(x, y) == colour) ++n;
    return n;
}

int Snapshot::CountOther(COLORREF colour, int x0, int y0, int x1, int y1) const {
    return (x1 - x0) * (y1 - y0) - Count(colour, x0, y0, x1, y1);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace quill::test

int main(int argc, char** argv) {
    using namespace quill;
    testing::InitGoogleTest(&argc, argv);
    test::g_template = test::BuildTemplate();
    return test::RunTestsInProgram(test::g_template, test::kHandlers, test::kConstants);
}
