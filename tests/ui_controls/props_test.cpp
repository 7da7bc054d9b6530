// The stored own-property records of the control types: versions, defaults, order and
// clamping on read.
#include <gtest/gtest.h>

#include "ui/byte_stream.h"
#include "ui/props/label_props.h"
#include "ui/props/pic_box_props.h"
#include "ui/props/pic_btn_props.h"
#include "ui/props/process_bar_props.h"
#include "ui/props/timer_props.h"
#include "ui/props/trans_label_props.h"

namespace quill::test {
namespace {

template <class P>
bool ReadBytes(P* p, const std::string& bytes) {
    return p->Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Every type: a written record reads back equal, a version above the type's highest and a
// record cut short are read failures, and no bytes at all give the defaults.
template <class P>
void CheckRecordRules(const P& sample, const std::function<bool(const P&, const P&)>& same) {
    const std::string bytes = sample.Write();
    P back;
    ASSERT_TRUE(ReadBytes(&back, bytes));
    EXPECT_TRUE(same(back, sample));

    std::string tooNew = bytes;
    tooNew[0] = static_cast<char>(P::kVersion + 1);
    EXPECT_FALSE(ReadBytes(&back, tooNew));
    EXPECT_FALSE(ReadBytes(&back, bytes.substr(0, bytes.size() - 1)));

    ASSERT_TRUE(ReadBytes(&back, ""));
    EXPECT_TRUE(same(back, P{}));
}

TEST(OwnPropsTest, PicBtnStoresTogglesColourThenPictures) {
    PicBtnProps p;
    p.toggle = 1;
    p.selected = 1;
    p.transparent = 0x00FF00FF;
    p.normal = "n";
    p.hover = "hh";
    p.pressed = "ppp";
    p.disabled = "dddd";
    CheckRecordRules<PicBtnProps>(p, [](const PicBtnProps& a, const PicBtnProps& b) {
        return a.toggle == b.toggle && a.selected == b.selected && a.transparent == b.transparent &&
               a.normal == b.normal && a.hover == b.hover && a.pressed == b.pressed && a.disabled == b.disabled;
    });
    ByteWriter w;
    w.i32(1);  // version
    w.i32(1);  // toggle
    w.i32(1);  // selected
    w.u32(0x00FF00FF);
    w.blob("n");
    w.blob("hh");
    w.blob("ppp");
    w.blob("dddd");
    EXPECT_EQ(p.Write(), w.bytes());

    ByteWriter version0;
    version0.i32(0);
    version0.i32(7);  // toggle mode out of range
    version0.i32(0);
    version0.u32(0xFF000000);
    for (int i = 0; i < 4; ++i) version0.blob("");
    ASSERT_TRUE(ReadBytes(&p, version0.bytes()));
    EXPECT_EQ(p.toggle, 1);
}

TEST(OwnPropsTest, TransLabelStoresIntsThenFontThenCaption) {
    TransLabelProps p;
    EXPECT_EQ(p.caption, "透明标签");
    EXPECT_EQ(p.vAlign, 1);
    p.caption = "安装程序";
    p.effect = 3;
    p.textColour = 0x0000FFFF;
    p.hAlign = 2;
    p.vAlign = 0;
    p.wordWrap = 1;
    p.font = std::string(60, 'f');
    CheckRecordRules<TransLabelProps>(p, [](const TransLabelProps& a, const TransLabelProps& b) {
        return a.caption == b.caption && a.effect == b.effect && a.textColour == b.textColour &&
               a.hAlign == b.hAlign && a.vAlign == b.vAlign && a.wordWrap == b.wordWrap && a.font == b.font;
    });
    ByteWriter w;
    for (int32_t v : {1, 3, 0x0000FFFF, 2, 0, 1}) w.i32(v);
    w.blob(std::string(60, 'f'));
    w.blob("安装程序");
    EXPECT_EQ(p.Write(), w.bytes());
}

bool SameLabel(const LabelProps& a, const LabelProps& b) {
    return a.Write() == b.Write();
}

TEST(OwnPropsTest, LabelVersion2AddsTheDataTextsAndOlderVersionsKeepDefaults) {
    LabelProps p;
    p.caption = "安装目录：";
    p.effect = 1;
    p.gradientWidth = 9;
    p.border = 6;
    p.borderColour1 = 1;
    p.borderColour2 = 2;
    p.borderColour3 = 3;
    p.textColour = 4;
    p.background = 5;
    p.pictureMode = 2;
    p.gradientMode = 8;
    p.gradientColour1 = 6;
    p.gradientColour2 = 7;
    p.gradientColour3 = 8;
    p.hAlign = 1;
    p.vAlign = 2;
    p.wordWrap = 1;
    p.font = "font";
    p.picture = "pic";
    p.dataSource = "源";
    p.dataColumn = "列";
    CheckRecordRules<LabelProps>(p, &SameLabel);

    // Stored order: effect, width, border, 3 border colours, text colour, background,
    // picture mode, gradient mode, 3 gradient colours, horizontal, vertical, wrap.
    ByteWriter v1;
    v1.i32(1);
    for (int32_t v : {1, 3, 6, 1, 2, 3, 4, 5, 9, 9, 6, 7, 8, 1, 2, 1}) v1.i32(v);
    v1.blob("font");
    v1.blob("pic");
    v1.blob("cap");
    LabelProps old;
    ASSERT_TRUE(ReadBytes(&old, v1.bytes()));
    EXPECT_EQ(old.gradientWidth, 5);  // below 5 becomes 5
    EXPECT_EQ(old.border, 6);
    EXPECT_EQ(old.pictureMode, 2);    // clamped
    EXPECT_EQ(old.gradientMode, 8);   // clamped
    EXPECT_EQ(old.gradientColour3, 8u);
    EXPECT_EQ(old.vAlign, 2);
    EXPECT_EQ(old.wordWrap, 1);
    EXPECT_EQ(old.caption, "cap");
    EXPECT_EQ(old.dataSource, "");
}

TEST(OwnPropsTest, ProcessBarPicBoxAndTimerRecords) {
    ProcessBarProps bar;
    EXPECT_EQ(bar.border, 3);
    EXPECT_EQ(bar.maximum, 100);
    bar.smooth = 1;
    bar.minimum = 5;
    bar.position = 9;
    CheckRecordRules<ProcessBarProps>(bar, [](const ProcessBarProps& a, const ProcessBarProps& b) {
        return a.Write() == b.Write();
    });
    ByteWriter wild;
    for (int32_t v : {1, 9, -3, 4, -1, 40000, 50}) wild.i32(v);
    ASSERT_TRUE(ReadBytes(&bar, wild.bytes()));
    EXPECT_EQ(bar.border, 5);
    EXPECT_EQ(bar.vertical, 0);
    EXPECT_EQ(bar.smooth, 1);
    EXPECT_EQ(bar.minimum, 0);
    EXPECT_EQ(bar.maximum, 32767);

    PicBoxProps box;
    EXPECT_EQ(box.playAnimation, 1);
    box.border = 5;
    box.background = 0x00C48316;
    box.picture = "jpeg";
    box.pictureMode = 1;
    box.dataSource = "s";
    CheckRecordRules<PicBoxProps>(box, [](const PicBoxProps& a, const PicBoxProps& b) { return a.Write() == b.Write(); });
    ByteWriter box1;
    for (int32_t v : {1, 5, 0x00C48316, 2, 0}) box1.i32(v);
    box1.blob("pic");
    ASSERT_TRUE(ReadBytes(&box, box1.bytes()));
    EXPECT_EQ(box.picture, "pic");
    EXPECT_EQ(box.playAnimation, 0);
    EXPECT_EQ(box.dataSource, "");

    TimerProps timer;
    timer.period = 250;
    CheckRecordRules<TimerProps>(timer, [](const TimerProps& a, const TimerProps& b) { return a.period == b.period; });
    ByteWriter negative;
    negative.i32(1);
    negative.i32(-40);
    ASSERT_TRUE(ReadBytes(&timer, negative.bytes()));
    EXPECT_EQ(timer.period, 0);
}

}  // namespace
}  // namespace quill::test
