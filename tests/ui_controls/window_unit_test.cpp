// The window unit built straight from its own properties, and the lifetime every control
// shares: one owner, and no delete while one of its own handlers still runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/frame.h"
#include "tests/ui_controls/controls_harness.h"
#include "ui/control.h"
#include "runtime/template_format.h"
#include "ui/window_unit.h"

namespace quill::test {
namespace {

constexpr uint32_t kLooseWindow = 0x52019999;  // a window id no template holds

// A window unit made outside any loaded window; destroyed with the test. Its events are
// blocked: the frame knows no window they could belong to.
class LooseWindow {
public:
    explicit LooseWindow(const WindowProps& p) : bytes_(p.Write()) {
        BlockEvents();
        UnitCreateArgs a;
        a.ownProperties = reinterpret_cast<const uint8_t*>(bytes_.data());
        a.ownPropertiesSize = bytes_.size();
        a.left = 40;
        a.top = 30;
        a.width = 200;
        a.height = 150;
        a.windowId = kLooseWindow;
        a.unitId = kWindowUnitId;
        Unit* u = WindowUnit::Create(a);
        hwnd_ = u ? u->hwnd() : nullptr;
    }
    ~LooseWindow() {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        UnblockEvents();
    }
    HWND hwnd() const { return hwnd_; }
    LONG style() const { return GetWindowLongA(hwnd_, GWL_STYLE); }
    LONG ex() const { return GetWindowLongA(hwnd_, GWL_EXSTYLE); }

private:
    std::string bytes_;
    HWND hwnd_ = nullptr;
};

TEST(WindowUnitTest, BorderStylesFollowTheBorderProperty) {
    const struct {
        int border;
        bool caption, thick, tool, clientEdge;
    } cases[] = {
        {0, false, false, false, false}, {1, true, true, false, false}, {2, true, false, false, false},
        {3, true, true, true, false},    {4, true, false, true, false}, {5, true, true, false, true},
        {6, true, false, false, true},
    };
    for (const auto& c : cases) {
        WindowProps p;
        p.border = c.border;
        p.caption = "窗口";
        LooseWindow w(p);
        ASSERT_NE(w.hwnd(), nullptr) << c.border;
        EXPECT_EQ((w.style() & WS_CAPTION) == WS_CAPTION, c.caption) << c.border;
        EXPECT_EQ((w.style() & WS_SYSMENU) != 0, c.caption) << c.border;
        EXPECT_EQ((w.style() & WS_THICKFRAME) != 0, c.thick) << c.border;
        EXPECT_EQ((w.ex() & WS_EX_TOOLWINDOW) != 0, c.tool) << c.border;
        EXPECT_EQ((w.ex() & WS_EX_CLIENTEDGE) != 0, c.clientEdge) << c.border;
    }
}

TEST(WindowUnitTest, PositionsAndTaskBarOwner) {
    const struct {
        int position, border, inTaskbar;
        bool iconic, zoomed, ownedByRuntime;
    } cases[] = {
        {2, 2, 1, true, false, false},   // minimised
        {3, 1, 1, false, true, false},   // maximised when resizable
        {3, 2, 1, false, false, false},  // a fixed border cannot be maximised
        {0, 2, 0, false, false, true},   // no task-bar button: owned by the hidden window
    };
    for (const auto& c : cases) {
        WindowProps p;
        p.position = c.position;
        p.border = c.border;
        p.inTaskbar = c.inTaskbar;
        LooseWindow w(p);
        ASSERT_NE(w.hwnd(), nullptr);
        EXPECT_EQ((w.style() & WS_MINIMIZE) != 0, c.iconic) << c.position;
        EXPECT_EQ((w.style() & WS_MAXIMIZE) != 0, c.zoomed) << c.position;
        EXPECT_EQ(GetWindow(w.hwnd(), GW_OWNER) == RuntimeMessageWindow(), c.ownedByRuntime) << c.position;
    }
}

TEST(WindowUnitTest, LivePropertyWritesReshapeTheWindow) {
    WindowProps p;
    p.border = 0;
    LooseWindow w(p);
    auto* unit = dynamic_cast<WindowUnit*>(Control::FromHandle(w.hwnd()));
    ASSERT_NE(unit, nullptr);
    unit->SetOwn(WindowUnit::kCaption, PropValue::OfText("标题"));
    EXPECT_EQ(w.style() & WS_CAPTION, 0);  // border 0 keeps no caption
    unit->SetOwn(WindowUnit::kBorder, PropValue::Integer(9));  // clamped to 6, framed fixed
    EXPECT_EQ(w.style() & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(w.ex() & WS_EX_CLIENTEDGE, 0);
    unit->SetOwn(WindowUnit::kTopmost, PropValue::Integer(1));
    EXPECT_NE(w.ex() & WS_EX_TOPMOST, 0);
    PropValue v;
    ASSERT_TRUE(unit->GetOwn(WindowUnit::kBorder, &v));
    EXPECT_EQ(v.i, 6);
    ASSERT_TRUE(unit->GetOwn(WindowUnit::kCaption, &v));
    EXPECT_EQ(v.s, "标题");
    ASSERT_TRUE(unit->GetOwn(WindowUnit::kClassName, &v));
    EXPECT_FALSE(unit->GetOwn(24, &v));
}

TEST(WindowUnitTest, IconPropertyComesBeforeTheProgramIcon) {
    WindowProps p;
    p.icon = Asset("icon48.ico");
    ASSERT_FALSE(p.icon.empty());
    LooseWindow own(p);
    const auto ownIcon = SendMessageA(own.hwnd(), WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(ownIcon, 0);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(ownIcon), &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    // Interface entry 7 reads the icon of stored properties, entry 9 the texts.
    const std::string stored = p.Write();
    auto icon = reinterpret_cast<UnitIconFn>(WindowUnit::Query(kEntryIcon));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()), p.icon);
    p.caption = "甲";
    p.helpFile = "乙";
    p.className = "丙";
    const std::string texts = p.Write();
    std::vector<std::string> seen;
    auto list = reinterpret_cast<UnitListTextsFn>(WindowUnit::Query(kEntryListTexts));
    ASSERT_NE(list, nullptr);
    list(reinterpret_cast<const uint8_t*>(texts.data()), texts.size(),
         [](const std::string& t, void* c) { static_cast<std::vector<std::string>*>(c)->push_back(t); }, &seen);
    EXPECT_EQ(seen, (std::vector<std::string>{"甲", "乙", "丙"}));
}

TEST(WindowUnitTest, EndOfSessionDestroysAWindowNoHandlerKeeps) {
    LooseWindow w(WindowProps{});
    ASSERT_TRUE(IsWindow(w.hwnd()));
    EXPECT_EQ(SendMessageA(w.hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_FALSE(IsWindow(w.hwnd()));
}

// ---- lifetime ------------------------------------------------------------------------------

constexpr UINT kCloseYourself = WM_APP + 7;
int g_alive = 0;
bool g_aliveAfterOwnDestroy = false;

class ProbeControl : public Control {
public:
    ProbeControl() { ++g_alive; }
    ~ProbeControl() override { --g_alive; }
    static ProbeControl* Make(bool refuse) {
        static const ControlClass kClass{"QuillProbeControl", 0, IDC_ARROW};
        auto c = std::make_unique<ProbeControl>();
        c->refuse_ = refuse;
        return WithWindow(std::move(c), kClass, 0, WS_POPUP, "", nullptr, 0, 0, 10, 10, nullptr);
    }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_CREATE && refuse_) return -1;
        if (msg == kCloseYourself) {
            // As a click handler that closes the window would: the object must outlive it.
            DestroyWindow(hwnd_);
            g_aliveAfterOwnDestroy = g_alive == 1 && hwnd_ == nullptr;
            return 0;
        }
        return Default(msg, wp, lp);
    }

private:
    bool refuse_ = false;
};

TEST(ControlLifetimeTest, RefusedCreationFreesOnceAndOwnHandlerOutlivesTheWindow) {
    g_alive = 0;
    EXPECT_EQ(ProbeControl::Make(true), nullptr);
    EXPECT_EQ(g_alive, 0);

    ProbeControl* c = ProbeControl::Make(false);
    ASSERT_NE(c, nullptr);
    HWND h = c->hwnd();
    EXPECT_EQ(g_alive, 1);
    SendMessageA(h, kCloseYourself, 0, 0);
    EXPECT_TRUE(g_aliveAfterOwnDestroy);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(g_alive, 0);  // deleted once the outermost message returned
}

}  // namespace
}  // namespace quill::test
