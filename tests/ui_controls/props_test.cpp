// The stored own-property records of the control types: the field order a template must
// have, versions and clamping on read.
#include <gtest/gtest.h>

#include <vector>

#include "runtime/byte_stream.h"
#include "ui/props/label_props.h"
#include "ui/props/pic_box_props.h"
#include "ui/props/pic_btn_props.h"
#include "ui/props/process_bar_props.h"
#include "ui/props/timer_props.h"
#include "ui/props/trans_label_props.h"
#include "ui/props/window_props.h"

namespace quill::test {
namespace {

template <class P>
bool ReadBytes(P* p, const std::string& bytes) {
    return p->Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// A version above the type's highest and a record cut short are read failures; no bytes
// at all give the defaults.
template <class P>
void CheckVersionRules(const P& sample) {
    const std::string bytes = sample.Write();
    P back;
    std::string tooNew = bytes;
    tooNew[0] = static_cast<char>(P::kVersion + 1);
    EXPECT_FALSE(ReadBytes(&back, tooNew));
    EXPECT_FALSE(ReadBytes(&back, bytes.substr(0, bytes.size() - 1)));
    ASSERT_TRUE(ReadBytes(&back, ""));
    EXPECT_EQ(back.Write(), P{}.Write());
}

// Each table names every own index 0..n-1 and every stored position 1..n exactly once.
template <class P>
void CheckTable(const char* name) {
    std::vector<int> k(P::kFieldCount), stored(P::kFieldCount);
    for (const PropField<P>& f : PropTable<P>()) {
        ASSERT_GE(f.k, 0) << name;
        ASSERT_LT(static_cast<size_t>(f.k), P::kFieldCount) << name;
        ASSERT_GE(f.stored, 1) << name;
        ASSERT_LE(static_cast<size_t>(f.stored), P::kFieldCount) << name;
        ++k[static_cast<size_t>(f.k)];
        ++stored[static_cast<size_t>(f.stored) - 1];
    }
    EXPECT_EQ(k, std::vector<int>(P::kFieldCount, 1)) << name;
    EXPECT_EQ(stored, std::vector<int>(P::kFieldCount, 1)) << name;
}

TEST(OwnPropsTest, EachTableHoldsEveryIndexAndStoredPositionOnce) {
    CheckTable<LabelProps>("Label");
    CheckTable<TransLabelProps>("TransLabel");
    CheckTable<PicBtnProps>("PicBtn");
    CheckTable<PicBoxProps>("PicBox");
    CheckTable<ProcessBarProps>("ProcessBar");
    CheckTable<TimerProps>("Timer");
    CheckTable<WindowProps>("window");
    EXPECT_EQ(WindowProps::kFieldCount, 24u);
}

TEST(OwnPropsTest, WindowRecordOrderAndVersions) {
    WindowProps w;
    w.border = 5;
    w.pictureMode = 3;
    w.background = 0x00EEB875;
    w.maxButton = 1;
    w.minButton = 1;
    w.controlBox = 0;
    w.position = 2;
    w.movable = 0;
    w.musicCount = 2;
    w.enterMovesFocus = 1;
    w.escCloses = 0;
    w.f1Help = 1;
    w.helpContext = 77;
    w.inTaskbar = 0;
    w.dragAnywhere = 1;
    w.shape = 29;
    w.topmost = 1;
    w.keepTitleActive = 1;
    w.className = "类";
    w.picture = "p";
    w.icon = "ii";
    w.music = "mmm";
    w.caption = "安装程序";
    w.helpFile = "h.hlp";
    ByteWriter b;
    for (int32_t v : {6, 5, 3, 0x00EEB875, 1, 1, 0, 2, 0, 2, 1, 0, 1, 77, 0, 1, 29, 1, 1}) b.i32(v);
    for (const char* s : {"类", "p", "ii", "mmm", "安装程序", "h.hlp"}) b.blob(s);
    EXPECT_EQ(w.Write(), b.bytes());
    CheckVersionRules(w);

    // Version 1 has no task-bar field and nothing after it: those keep their defaults,
    // and the byte arrays follow the help context directly. Out-of-range values clamp.
    ByteWriter v1;
    for (int32_t v : {1, 9, 7, 0, 0, 0, 1, 8, 1, 5, 0, 1, 0, 0}) v1.i32(v);
    for (const char* s : {"pic", "", "", "标题", ""}) v1.blob(s);
    WindowProps old;
    ASSERT_TRUE(ReadBytes(&old, v1.bytes()));
    EXPECT_EQ(old.border, 6);
    EXPECT_EQ(old.pictureMode, 3);
    EXPECT_EQ(old.position, 3);
    EXPECT_EQ(old.musicCount, 2);
    EXPECT_EQ(old.inTaskbar, 1);
    EXPECT_EQ(old.className, "");
    EXPECT_EQ(old.picture, "pic");
    EXPECT_EQ(old.caption, "标题");
}

TEST(OwnPropsTest, StoredFieldOrderOfEachType) {
    PicBtnProps btn;
    btn.toggle = 1;
    btn.selected = 1;
    btn.transparent = 0x00FF00FF;
    btn.normal = "n";
    btn.hover = "hh";
    btn.pressed = "ppp";
    btn.disabled = "dddd";
    ByteWriter b;
    for (int32_t v : {1, 1, 1, 0x00FF00FF}) b.i32(v);
    for (const char* s : {"n", "hh", "ppp", "dddd"}) b.blob(s);
    EXPECT_EQ(btn.Write(), b.bytes());
    CheckVersionRules(btn);

    TransLabelProps title;
    title.caption = "安装程序";
    title.effect = 3;
    title.textColour = 0x0000FFFF;
    title.hAlign = 2;
    title.vAlign = 0;
    title.wordWrap = 1;
    title.font = std::string(60, 'f');
    ByteWriter t;
    for (int32_t v : {1, 3, 0x0000FFFF, 2, 0, 1}) t.i32(v);
    t.blob(std::string(60, 'f'));
    t.blob("安装程序");
    EXPECT_EQ(title.Write(), t.bytes());
    CheckVersionRules(title);

    ProcessBarProps bar;
    bar.smooth = 1;
    bar.minimum = 5;
    bar.position = 9;
    ByteWriter p;
    for (int32_t v : {1, 3, 0, 1, 5, 100, 9}) p.i32(v);
    EXPECT_EQ(bar.Write(), p.bytes());
    CheckVersionRules(bar);

    PicBoxProps box;
    box.border = 5;
    box.background = 0x00C48316;
    box.picture = "jpeg";
    box.pictureMode = 1;
    ByteWriter x;
    for (int32_t v : {2, 5, 0x00C48316, 1, 1}) x.i32(v);
    for (const char* s : {"jpeg", "", ""}) x.blob(s);
    EXPECT_EQ(box.Write(), x.bytes());
    CheckVersionRules(box);

    CheckVersionRules(TimerProps{});
}

TEST(OwnPropsTest, LabelIntsAreStoredInTheirOwnOrderThenFontPictureCaption) {
    // Stored order: effect, gradient width, border, 3 border colours, text colour,
    // background, picture mode, gradient mode, 3 gradient colours, horizontal, vertical, wrap.
    ByteWriter v1;
    v1.i32(1);
    for (int32_t v : {1, 3, 6, 1, 2, 3, 4, 5, 9, 9, 6, 7, 8, 1, 2, 1}) v1.i32(v);
    v1.blob("font");
    v1.blob("pic");
    v1.blob("cap");
    LabelProps p;
    ASSERT_TRUE(ReadBytes(&p, v1.bytes()));
    EXPECT_EQ(p.effect, 1);
    EXPECT_EQ(p.gradientWidth, 5);  // below 5 becomes 5
    EXPECT_EQ(p.border, 6);
    EXPECT_EQ(p.borderColour3, 3u);
    EXPECT_EQ(p.textColour, 4u);
    EXPECT_EQ(p.background, 5u);
    EXPECT_EQ(p.pictureMode, 2);   // clamped
    EXPECT_EQ(p.gradientMode, 8);  // clamped
    EXPECT_EQ(p.gradientColour3, 8u);
    EXPECT_EQ(p.hAlign, 1);
    EXPECT_EQ(p.vAlign, 2);
    EXPECT_EQ(p.wordWrap, 1);
    EXPECT_EQ(p.font, "font");
    EXPECT_EQ(p.picture, "pic");
    EXPECT_EQ(p.caption, "cap");
    EXPECT_EQ(p.dataSource, "");  // version 1 has no data texts

    // Version 2 writes them after the caption.
    p.dataSource = "源";
    p.dataColumn = "列";
    const std::string v2 = p.Write();
    EXPECT_EQ(v2.substr(v2.size() - 12), std::string("\2\0\0\0源\2\0\0\0列", 12));
    LabelProps back;
    ASSERT_TRUE(ReadBytes(&back, v2));
    EXPECT_EQ(back.Write(), v2);
    CheckVersionRules(p);
}

TEST(OwnPropsTest, OutOfRangeStoredValuesAreClamped) {
    ByteWriter bar;
    for (int32_t v : {1, 9, -3, 4, -1, 40000, 50}) bar.i32(v);
    ProcessBarProps p;
    ASSERT_TRUE(ReadBytes(&p, bar.bytes()));
    EXPECT_EQ(p.border, 5);
    EXPECT_EQ(p.vertical, 0);
    EXPECT_EQ(p.smooth, 1);
    EXPECT_EQ(p.minimum, 0);
    EXPECT_EQ(p.maximum, 32767);

    ByteWriter btn;
    for (int32_t v : {0, 7, 0, -16777216}) btn.i32(v);
    for (int i = 0; i < 4; ++i) btn.blob("");
    PicBtnProps b;
    ASSERT_TRUE(ReadBytes(&b, btn.bytes()));
    EXPECT_EQ(b.toggle, 1);

    ByteWriter timer;
    timer.i32(1);
    timer.i32(-40);
    TimerProps t;
    ASSERT_TRUE(ReadBytes(&t, timer.bytes()));
    EXPECT_EQ(t.period, 0);
}

}  // namespace
}  // namespace quill::test
