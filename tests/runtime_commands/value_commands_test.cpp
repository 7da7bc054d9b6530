// BitOr and ToText.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/commands.h"

using namespace quill;

TEST(BitOr, OneOrMoreArguments) {
    EXPECT_EQ(BitOr({0x40}), 0x40);
    EXPECT_EQ(BitOr({0x40, 0x04}), 0x44);
    EXPECT_EQ(BitOr({1, 2, 4, 8, 0x10000}), 0x1000F);
    EXPECT_EQ(BitOr({-2, 1}), -1);
}

TEST(ToText, ByteArrayUpToTheFirstZero) {
    std::vector<uint8_t> name(260, 0);
    std::memcpy(name.data(), "a.exe", 5);
    EXPECT_EQ(ToText(name), "a.exe");
    std::vector<uint8_t> full = {'x', 'y', 'z'};
    EXPECT_EQ(ToText(full), "xyz");
    std::vector<uint8_t> leadingZero = {0, 'x'};
    EXPECT_EQ(ToText(leadingZero), "");
    EXPECT_EQ(ToText(std::vector<uint8_t>()), "");
}

TEST(ToText, NumbersAndLogicals) {
    EXPECT_EQ(ToText(int32_t(-2147483647 - 1)), "-2147483648");
    EXPECT_EQ(ToText(int64_t(-9000000000LL)), "-9000000000");
    EXPECT_EQ(ToText(uint8_t(255)), "255");
    EXPECT_EQ(ToText(int16_t(-32768)), "-32768");
    EXPECT_EQ(ToTextLogical(true), "真");
    EXPECT_EQ(ToTextLogical(false), "假");
    EXPECT_EQ(ToTextLogical(true), std::string("\xD5\xE6"));  // GBK bytes, not UTF-8
}
