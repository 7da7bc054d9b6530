// ShowMessage: the box's text and caption, its modality, and the button codes. These
// tests show real boxes (they need the display of the test run) and answer them from
// a watcher thread.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/commands.h"
#include "test_support.h"

using namespace quill;
using quilltest::BoxAnswerer;
using quilltest::BoxSeen;

namespace {

// A plain top-level window of this thread, to see whether a box disables it.
class ThreadWindow {
public:
    ThreadWindow() {
        window_ = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~ThreadWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

}  // namespace

TEST(ShowMessage, YesNoBoxAnswersFiveAndSix) {
    {
        BoxAnswerer answer(IDYES);
        EXPECT_EQ(ShowMessage("安装完成！", 0x44, std::string("提示")), 5);
        BoxSeen seen;
        ASSERT_TRUE(answer.Wait(&seen));
        EXPECT_EQ(seen.text, "安装完成！");
        EXPECT_EQ(seen.caption, "提示");
    }
    {
        BoxAnswerer answer(IDNO);
        EXPECT_EQ(ShowMessage("again?", 0x44), 6);
        ASSERT_TRUE(answer.Wait(nullptr));
    }
}

TEST(ShowMessage, OmittedCaptionIsTheDefaultButAnEmptyOneStaysEmpty) {
    BoxSeen seen;
    {
        BoxAnswerer answer(IDOK);
        ShowMessage("text", 0);
        ASSERT_TRUE(answer.Wait(&seen));
    }
    EXPECT_EQ(seen.caption, "信息：");
    {
        BoxAnswerer answer(IDOK);
        ShowMessage("text", 0, std::string());
        ASSERT_TRUE(answer.Wait(&seen));
    }
    EXPECT_EQ(seen.caption, "");
}

TEST(ShowMessage, TaskModalUnlessSystemModal) {
    ThreadWindow other;
    ASSERT_NE(other.get(), nullptr);
    BoxSeen seen;
    {
        BoxAnswerer answer(IDOK, other.get());
        ShowMessage("task", 0);
        ASSERT_TRUE(answer.Wait(&seen));
    }
    EXPECT_FALSE(seen.otherWindowEnabled) << "a box without owner must disable the program's windows";
    EXPECT_TRUE(IsWindowEnabled(other.get()));
    {
        BoxAnswerer answer(IDOK, other.get());
        ShowMessage("system", MB_SYSTEMMODAL);
        ASSERT_TRUE(answer.Wait(&seen));
    }
    EXPECT_TRUE(seen.otherWindowEnabled);
}
