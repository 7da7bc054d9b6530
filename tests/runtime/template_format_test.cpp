// The template writer and reader against each other and against bytes laid out by hand.
#include <gtest/gtest.h>

#include "ui/byte_stream.h"
#include "ui/installer_window.h"
#include "ui/template_format.h"

namespace quill {
namespace {

UnitRecord SampleUnit() {
    UnitRecord u;
    u.type = kTypeLabel;
    u.handlerDonor = 0;
    u.name = "标签_日志";
    u.left = -5;
    u.top = 344;
    u.width = 160;
    u.height = 24;
    u.container = 0x16010017;
    u.children = {0x16010001, 0x16010002};
    u.cursor = std::string("\x89\x7F\x00\x00", 4);
    u.tag = "tag";
    u.flags = kUnitVisible | kUnitDisabled;
    u.events = {{-1, 8}, {0, kNoHandler}};
    u.ownProperties = std::string("\x02\x00\x00\x00own", 7);
    return u;
}

void ExpectSameUnit(const UnitRecord& a, const UnitRecord& b) {
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(a.handlerDonor, b.handlerDonor);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.comment, b.comment);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.top, b.top);
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.container, b.container);
    EXPECT_EQ(a.children, b.children);
    EXPECT_EQ(a.cursor, b.cursor);
    EXPECT_EQ(a.tag, b.tag);
    EXPECT_EQ(a.flags, b.flags);
    ASSERT_EQ(a.events.size(), b.events.size());
    for (size_t i = 0; i < a.events.size(); ++i) {
        EXPECT_EQ(a.events[i].event, b.events[i].event);
        EXPECT_EQ(a.events[i].handlerOffset, b.events[i].handlerOffset);
    }
    EXPECT_EQ(a.ownProperties, b.ownProperties);
}

TEST(TemplateFormat, AUnitRecordMatchesItsHandLaidBytes) {
    const UnitRecord u = SampleUnit();
    ByteWriter w;
    w.u32(kTypeLabel);
    w.u32(0);
    for (int i = 0; i < 4; ++i) w.i32(0);
    w.raw("\xB1\xEA\xC7\xA9_\xC8\xD5\xD6\xBE", 9);  // 标签_日志 in GBK
    w.raw("\0", 1);
    w.raw("\0", 1);                                 // empty comment
    w.i32(0);
    w.i32(-5); w.i32(344); w.i32(160); w.i32(24);
    w.i32(0);
    w.u32(0x16010017);
    w.i32(2); w.u32(0x16010001); w.u32(0x16010002);
    w.i32(4); w.raw("\x89\x7F\x00\x00", 4);
    w.raw("tag\0", 4);
    w.i32(0);
    w.i32(3);
    w.i32(0);
    w.i32(2); w.i32(-1); w.i32(8); w.i32(0); w.i32(-1);
    for (int i = 0; i < 5; ++i) w.i32(0);
    w.raw("\x02\x00\x00\x00own", 7);
    EXPECT_EQ(WriteUnitRecord(u), w.bytes());

    UnitRecord back;
    ASSERT_TRUE(ReadUnitRecord(reinterpret_cast<const uint8_t*>(w.bytes().data()), w.bytes().size(), &back));
    ExpectSameUnit(u, back);
}

TEST(TemplateFormat, AWindowTableAndUnitBlockMatchTheirHandLaidBytes) {
    WindowTemplate t;
    t.windowIds = {0x52010001};
    WindowEntry e;
    UnitRecord w;
    w.type = kTypeWindow;
    e.unitIds = {kWindowUnitId};
    e.units = {w};
    t.windows = {e};
    const std::string record = WriteUnitRecord(w);

    ByteWriter block;
    block.u32(kWindowUnitId);
    block.i32(0);  // offset of record 0, counted after the offset table
    block.blob(record);
    ByteWriter expected;
    expected.i32(8);
    expected.u32(0x52010001);
    expected.u32(0);
    expected.i32(11);
    expected.u32(0x19010004);
    expected.i32(0);
    expected.i32(0);
    expected.i32(1);
    expected.blob(block.bytes());
    EXPECT_EQ(WriteTemplate(t), expected.bytes());
}

TEST(TemplateFormat, TheInstallerTemplateSurvivesARoundTrip) {
    const WindowTemplate original = BuildInstallerTemplate([](const std::string&) { return std::string("pic"); }, 8);
    const std::string bytes = WriteTemplate(original);
    WindowTemplate back;
    ASSERT_TRUE(ReadTemplate(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &back));
    ASSERT_EQ(back.windowIds, original.windowIds);
    ASSERT_EQ(back.windows.size(), 1u);
    const WindowEntry& a = original.windows[0];
    const WindowEntry& b = back.windows[0];
    EXPECT_EQ(b.valueA, 11);
    EXPECT_EQ(b.valueB, 0x19010004u);
    EXPECT_EQ(b.unitIds, a.unitIds);
    ASSERT_EQ(b.units.size(), 26u);
    for (size_t i = 0; i < a.units.size(); ++i) ExpectSameUnit(a.units[i], b.units[i]);
    EXPECT_EQ(WriteTemplate(back), bytes);
}

TEST(TemplateFormat, EveryTruncationIsRefused) {
    const std::string bytes = WriteTemplate(BuildInstallerTemplate([](const std::string&) { return std::string(); }, 8));
    WindowTemplate out;
    // Cutting inside the fixed fields of any record, or anywhere in the tables, must fail
    // cleanly; only the full stream reads.
    for (size_t n = 0; n < bytes.size(); n += 7)
        EXPECT_FALSE(ReadTemplate(reinterpret_cast<const uint8_t*>(bytes.data()), n, &out)) << n;
    EXPECT_TRUE(ReadTemplate(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &out));
}

TEST(TemplateFormat, HandlerOffsetsFollowThePointerSize) {
    EXPECT_EQ(HandlerOffset("OnWindowCreated", 4), 0);
    EXPECT_EQ(HandlerOffset("OnStartClicked", 4), 8);
    EXPECT_EQ(HandlerOffset("OnStartClicked", 8), 16);
    EXPECT_EQ(HandlerOffset("NoSuchHandler", 8), kNoHandler);
}

}  // namespace
}  // namespace quill
