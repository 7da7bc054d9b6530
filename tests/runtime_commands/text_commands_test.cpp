// Text commands over GBK texts: whole-character scanning, byte counting in LeftText,
// and the difference between an omitted argument and one given as 0 or "".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/commands.h"

using namespace quill;

namespace {

// GBK characters whose second byte is an ASCII byte that a byte-wise scan would wrongly find.
const std::string kTrail5C = "\x95\x5C";  // second byte is a backslash
const std::string kTrail41 = "\x81\x41";  // second byte is 'A'
const std::string kFullWidthSpace = "\xA1\xA1";

}  // namespace

TEST(TextLength, CountsBytesUpToTheFirstZero) {
    EXPECT_EQ(TextLength(""), 0);
    EXPECT_EQ(TextLength("安装"), 4);
    EXPECT_EQ(TextLength(std::string("ab\0cd", 5)), 2);
}

TEST(LeftText, CountsBytesAndMaySplitACharacter) {
    EXPECT_EQ(LeftText("a安", 2), std::string("a\xB0"));
    EXPECT_EQ(LeftText("abc", 0), "");
    EXPECT_EQ(LeftText("abc", -4), "");
    EXPECT_EQ(LeftText("abc", 99), "abc");
}

TEST(FindText, NeverMatchesAtTheTrailingByteOfACharacter) {
    EXPECT_EQ(FindText(kTrail5C, "\\"), -1);
    EXPECT_EQ(FindText("x" + kTrail5C + "\\", "\\"), 4);
    EXPECT_EQ(FindText(kTrail41 + "A", "A"), 3);
    EXPECT_EQ(FindText("C:" + kTrail5C + "dir", "\\dir"), -1);
}

TEST(FindText, StartPositionRules) {
    EXPECT_EQ(FindText("abcabc", "abc", 0), 1);
    EXPECT_EQ(FindText("abcabc", "abc", -7), 1);
    EXPECT_EQ(FindText("abcabc", "abc", 2), 4);  // positions count from the text, not the region
    EXPECT_EQ(FindText("abc", "c", 4), -1);       // one past the last byte
    EXPECT_EQ(FindText("abc", "c", 3), 3);
    // A start inside a character scans from there, byte pairs onwards.
    EXPECT_EQ(FindText(kTrail5C + "\\", "\\", 2), 2);
}

TEST(FindText, EmptyNeedleAndEmptyRegion) {
    EXPECT_EQ(FindText("abc", ""), 1);
    EXPECT_EQ(FindText("abc", "", 3), 1);
    EXPECT_EQ(FindText("", ""), -1);
    EXPECT_EQ(FindText("abc", "", 4), -1);
    EXPECT_EQ(FindText("", "a"), -1);
    EXPECT_EQ(FindText("ab", "abc"), -1);
}

TEST(FindText, IgnoresCaseOnlyForExactlyOne) {
    EXPECT_EQ(FindText("Setup.EXE", "exe", 1, 1), 7);
    EXPECT_EQ(FindText("Setup.EXE", "exe", 1, 0), -1);
    EXPECT_EQ(FindText("Setup.EXE", "exe", 1, 2), -1);
    EXPECT_EQ(FindText("Setup.EXE", "exe"), -1);
    // Only ASCII letters fold: a trailing byte 'A' is still not a character.
    EXPECT_EQ(FindText(kTrail41, "a", 1, 1), -1);
    EXPECT_EQ(FindText("[", "{", 1, 1), -1);
}

TEST(FindText, LeadByteAtTheEndStopsTheSearch) {
    EXPECT_EQ(FindText("ab\x95", "\x95"), 3);
    EXPECT_EQ(FindText("\x95", "x"), -1);
}

TEST(ToLower, FoldsAsciiCapitalsOnly) {
    EXPECT_EQ(ToLower("Setup.EXE"), "setup.exe");
    EXPECT_EQ(ToLower(""), "");
    // The trailing byte 'A' of a character stays; a dangling lead byte stays too.
    EXPECT_EQ(ToLower(kTrail41 + "A"), kTrail41 + "a");
    EXPECT_EQ(ToLower("AB\x95"), "ab\x95");
    EXPECT_EQ(ToLower("\xC0\xC1"), "\xC0\xC1");
}

TEST(TrimBlanks, AsciiAndFullWidthSpacesOnly) {
    EXPECT_EQ(TrimBlanks(kFullWidthSpace + "a b" + kFullWidthSpace + " "), "a b");
    EXPECT_EQ(TrimBlanks("\t"), "\t");
    EXPECT_EQ(TrimBlanks(" \r\nx\r\n "), "\r\nx\r\n");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks(kFullWidthSpace + " " + kFullWidthSpace), "");
    EXPECT_EQ(TrimBlanks(""), "");
    // A1 followed by another byte is a character, not half a blank.
    EXPECT_EQ(TrimBlanks(" \xA1\xA2 "), "\xA1\xA2");
    // A character ending in A1 before a full-width space: only whole characters are blanks.
    EXPECT_EQ(TrimBlanks("\xB0\xA1" "\xA1\xA1"), "\xB0\xA1");
}

TEST(TrimBlanks, DanglingLeadByteIsDroppedAndKeepsTheBlanksBeforeIt) {
    EXPECT_EQ(TrimBlanks("a  \x95"), "a  ");
    EXPECT_EQ(TrimBlanks(" \x95"), "");
    EXPECT_EQ(TrimBlanks("a\xA1"), "a");
}

TEST(SplitText, KeepsEmptyPiecesButNoEmptyLastPiece) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitText("a,,b,", std::string(",")), (V{"a", "", "b"}));
    EXPECT_EQ(SplitText(",a"), (V{"", "a"}));
    EXPECT_EQ(SplitText(","), (V{""}));
    EXPECT_EQ(SplitText("abc"), (V{"abc"}));
    EXPECT_EQ(SplitText("a::b", std::string("::")), (V{"a", "b"}));
}

TEST(SplitText, DelimiterDefaultsToCommaAndEmptyDelimiterKeepsTheWhole) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitText("a,b;c"), (V{"a", "b;c"}));
    EXPECT_EQ(SplitText("a,b;c", std::string(";")), (V{"a,b", "c"}));
    EXPECT_EQ(SplitText("a,b", std::string("")), (V{"a,b"}));
    EXPECT_TRUE(SplitText("").empty());
    EXPECT_TRUE(SplitText("", std::string("")).empty());
}

TEST(SplitText, MaximumCount) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitText("a,b,c", std::nullopt, 2), (V{"a", "b"}));
    EXPECT_EQ(SplitText("a,b,c", std::nullopt, 3), (V{"a", "b", "c"}));
    EXPECT_EQ(SplitText("a,b,c", std::nullopt, 100), (V{"a", "b", "c"}));
    EXPECT_TRUE(SplitText("a,b,c", std::nullopt, 0).empty());
    EXPECT_TRUE(SplitText("a,b,c", std::nullopt, -1).empty());
    EXPECT_TRUE(SplitText("a,b,c", std::string(""), 0).empty());
}

TEST(SplitText, DelimiterNeverMatchesAtATrailingByte) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitText("C:" + kTrail5C + "\\x", std::string("\\")), (V{"C:" + kTrail5C, "x"}));
    EXPECT_EQ(SplitText(kTrail41 + "A" + kTrail41, std::string("A")), (V{kTrail41, kTrail41}));
    // A dangling lead byte ends the scan and stays with the last piece.
    EXPECT_EQ(SplitText("a,b\x95", std::string(",")), (V{"a", "b\x95"}));
}

TEST(BlankText, SpacesOrNothing) {
    EXPECT_EQ(BlankText(3), "   ");
    EXPECT_EQ(BlankText(0), "");
    EXPECT_EQ(BlankText(-5), "");
}
