#include "base/wide_text.h"
#include "base/text.h"

#include <gtest/gtest.h>

#include <string>

namespace quill {
namespace {

// Internal bytes as Python's gb18030 codec writes them.
struct Pair {
    const wchar_t* wide;
    const char* internal;
};
const Pair kPairs[] = {
    {L"D:\\Tessaly\u8F6F\u4EF6\\Orvenline", "D:\\Tessaly\xC8\xED\xBC\xFE\\Orvenline"},
    {L"\u5B89\u88C5\u76EE\u5F55\uFF1A", "\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xA3\xBA"},
    {L"\u8AA0", "\xD5\x5C"},  // second byte is a backslash
    {L"J\u00F6rg", "J\x81\x30\x8B\x32rg"},
    {L"\uD55C\uAD6D\uC5B4", "\x83\x36\x84\x33\x82\x37\xF4\x30\x83\x32\xEB\x35"},
    {L"\u00DCn\u00EFc\u00F8d\u00E9 \uFF76\uFF80", "\x81\x30\x89\x35n\x81\x30\x8A\x37" "c\x81\x30\x8B\x33" "d\xA8\xA6 \x84\x31\x97\x38\x84\x31\x98\x38"},
    {L"\u20AC", "\xA2\xE3"},
    {L"\U0001F600", "\x94\x39\xFC\x36"},
    {L"\u01F9\u2E81", "\xA8\xBF\xFE\x50"},
    {L"\uE000\uE815", "\xAA\xA1\x83\x36\xC9\x34"},
};

TEST(WideText, ConvertsBothWaysAsGb18030) {
    for (const Pair& p : kPairs) {
        EXPECT_EQ(FromWide(p.wide), p.internal) << testing::PrintToString(std::wstring(p.wide));
        EXPECT_EQ(ToWide(p.internal), p.wide) << testing::PrintToString(std::string(p.internal));
        EXPECT_TRUE(IsWellFormedText(p.internal));
    }
}

// Every character of the plane comes back as it went in, and every well-formed two-byte code
// too: no two characters share one form.
TEST(WideText, EveryCharacterAndCodeRoundTrips) {
    for (unsigned c = 1; c < 0x10000; ++c) {
        if (c >= 0xD800 && c < 0xE000) continue;
        const std::wstring wide(1, static_cast<wchar_t>(c));
        const std::optional<std::string> text = FromWideExact(wide);
        ASSERT_TRUE(text) << c;
        ASSERT_EQ(ToWide(*text), wide) << c;
    }
    for (unsigned c = 0x10000; c < 0x110000; c += 0x3F1) {
        wchar_t pair[2] = {static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)),
                           static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
        ASSERT_EQ(ToWide(FromWide(std::wstring_view(pair, 2))), std::wstring(pair, 2)) << c;
    }
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            if (IsWellFormedText(code)) {
                ASSERT_EQ(FromWide(ToWide(code)), code) << lead << " " << trail;
            }
        }
    }
}

TEST(WideText, MalformedBytesAreReplacedUnitByUnit) {
    const struct {
        const char* text;
        size_t replacements;
    } cases[] = {
        {"\x81", 1}, {"a\x80" "b", 1}, {"\xFF\x41", 1}, {"\x81\x7F", 1},
        {"\x81\x30", 1},              // a four-byte character cut short is one unit
        {"\x84\x31\xA5\x30", 2},      // beyond the plane's last index, two units
        {"\xE4\x33\x81\x30", 2},      // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(IsWellFormedText(c.text)) << c.text;
        const std::wstring wide = ToWide(c.text);
        size_t count = 0;
        for (wchar_t w : wide) count += w == 0xFFFD;
        EXPECT_EQ(count, c.replacements) << c.text;
    }
}

TEST(WideText, UnpairedSurrogatesAndBadUtf8AreRefused) {
    EXPECT_FALSE(FromWideExact(L"a\xD800" L"b"));
    EXPECT_EQ(FromWide(std::wstring(L"a\xDC00")), "a?");
    EXPECT_EQ(TextFromUtf8("J\xC3\xB6rg"), std::string("J\x81\x30\x8B\x32rg"));
    EXPECT_EQ(TextFromUtf8("\xE6\x95\xB0\xE6\x8D\xAE"), std::string("\xCA\xFD\xBE\xDD"));  // 数据
    EXPECT_FALSE(TextFromUtf8("\xC3"));
    EXPECT_FALSE(TextFromUtf8("\xED\xA0\x80"));  // an encoded surrogate
}

}  // namespace
}  // namespace quill

TEST(FillIn, PutsEachValueInItsPlace) {
    const struct { const char* text; std::initializer_list<std::string> values; const char* expected; } cases[] = {
        {"无法写入：\r\n%s\r\n请重试", {"D:\\软件\\a.dll"}, "无法写入：\r\nD:\\软件\\a.dll\r\n请重试"},
        {"%s 需要 %s MB", {"D:\\x", "12"}, "D:\\x 需要 12 MB"},
        {"%s and %s", {"one"}, "one and %s"},  // a place beyond the values stays as it is
        {"100%", {"x"}, "100%"},
        {"乗%s", {"表"}, "乗表"},  // 乗 ends in 5C: the bytes around a value are untouched
    };
    for (const auto& c : cases) EXPECT_EQ(quill::FillIn(c.text, c.values), c.expected) << c.text;
}
