// The template writer and reader against each other and against bytes laid out by hand.
#include <gtest/gtest.h>

#include "runtime/byte_stream.h"
#include "runtime/template_format.h"

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

// Window 0x52010001 laid out by hand with the given unit records, each after its identifier.
std::string HandLaidTemplate(const std::vector<std::pair<uint32_t, std::string>>& records) {
    ByteWriter block;
    for (const auto& r : records) block.u32(r.first);
    int32_t offset = 0;  // counted after the offset table
    for (const auto& r : records) {
        block.i32(offset);
        offset += 4 + static_cast<int32_t>(r.second.size());
    }
    for (const auto& r : records) block.blob(r.second);
    ByteWriter stream;
    stream.i32(8);
    stream.u32(0x52010001);
    stream.u32(0);
    stream.i32(11);
    stream.u32(0x19010004);
    stream.i32(0);
    stream.i32(0);
    stream.i32(static_cast<int32_t>(records.size()));
    stream.blob(block.bytes());
    return stream.take();
}

UnitRecord WindowUnit() {
    UnitRecord w;
    w.type = kTypeWindow;
    return w;
}

TEST(TemplateFormat, AWindowTableAndUnitBlockMatchTheirHandLaidBytes) {
    WindowTemplate t;
    t.windowIds = {0x52010001};
    WindowEntry e;
    e.unitIds = {kWindowUnitId};
    e.units = {WindowUnit()};
    t.windows = {e};
    EXPECT_EQ(WriteTemplate(t), HandLaidTemplate({{kWindowUnitId, WriteUnitRecord(WindowUnit())}}));
}

// Two windows with a few units each, so a cut can fall in every kind of field and table.
WindowTemplate SampleTemplate() {
    WindowTemplate t;
    for (uint32_t id : {0x52010001u, 0x52010002u}) {
        WindowEntry e;
        UnitRecord w;
        w.type = kTypeWindow;
        w.name = "窗口";
        w.events = {{0, 0}};
        e.unitIds = {kWindowUnitId, 0x16010001, 0x16010002};
        e.units = {w, SampleUnit(), SampleUnit()};
        t.windowIds.push_back(id);
        t.windows.push_back(e);
    }
    return t;
}

TEST(TemplateFormat, EveryTruncationIsRefused) {
    const std::string bytes = WriteTemplate(SampleTemplate());
    WindowTemplate out;
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(ReadTemplate(reinterpret_cast<const uint8_t*>(bytes.data()), n, &out)) << n;
    ASSERT_TRUE(ReadTemplate(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &out));
    EXPECT_EQ(WriteTemplate(out), bytes);
}

// The stream stays whole (every length and offset agrees) while one unit record is shorter
// than its fixed fields: the record's own reader has to refuse it.
TEST(TemplateFormat, AUnitRecordCutShortInsideAWholeTemplateIsRefused) {
    const std::string full = WriteUnitRecord(SampleUnit());
    auto read = [&](size_t n) {
        const std::string bytes =
            HandLaidTemplate({{kWindowUnitId, WriteUnitRecord(WindowUnit())}, {0x16010001, full.substr(0, n)}});
        WindowTemplate out;
        return ReadTemplate(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &out);
    };
    ASSERT_TRUE(read(full.size()));
    for (size_t n = 0; n < full.size() - SampleUnit().ownProperties.size(); ++n) EXPECT_FALSE(read(n)) << n;
}

}  // namespace
}  // namespace quill
