#include "text/TextCut.h"

#include <gtest/gtest.h>

namespace vantle {
namespace {

TEST(TextCut, Pos_Should_CountFromOne_When_NeedleIsFound) {
    EXPECT_EQ(Pos("a", "abc"), 1u);
    EXPECT_EQ(Pos("c", "abc"), 3u);
    EXPECT_EQ(Pos("bc", "abcbc"), 2u);  // the leftmost occurrence
}

TEST(TextCut, Pos_Should_GiveZero_When_NeedleIsAbsentOrEmpty) {
    EXPECT_EQ(Pos("x", "abc"), 0u);
    EXPECT_EQ(Pos("abcd", "abc"), 0u);
    EXPECT_EQ(Pos("", "abc"), 0u);
    EXPECT_EQ(Pos("", ""), 0u);
    EXPECT_EQ(Pos("a", ""), 0u);
}

TEST(TextCut, Pos_Should_MatchCase) {
    EXPECT_EQ(Pos("A", "abc"), 0u);
    EXPECT_EQ(Pos("value=", "VALUE=value="), 7u);
}

TEST(TextCut, Pos_Should_FindBytesPastNul) {
    const std::string text("a\0b", 3);
    EXPECT_EQ(Pos("b", text), 3u);
}

TEST(TextCut, Copy_Should_FollowTheCuttingRules) {
    struct Case {
        const char* text;
        long long start;
        long long count;
        const char* expected;
    };
    const Case cases[] = {
        {"abcdef", 1, 3, "abc"},
        {"abcdef", 2, 3, "bcd"},
        {"abcdef", 4, 100, "def"},
        {"abcdef", 0, 2, "ab"},
        {"abcdef", -5, 2, "ab"},
        {"abcdef", 6, 1, "f"},
        {"abcdef", 7, 1, ""},
        {"abcdef", 100, 1, ""},
        {"abcdef", 1, 0, ""},
        {"abcdef", 1, -1, ""},
        {"", 1, 5, ""},
        {"abcdef", 2, 2147483647, "bcdef"},
        {"abcdef", 1, 9223372036854775807LL, "abcdef"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Copy(c.text, c.start, c.count), c.expected) << c.text << " " << c.start << " " << c.count;
    }
}

TEST(TextCut, Trim_Should_RemoveCodes32AndBelow_When_AtEitherEnd) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("\t\r\n a\x01"), "a");
    EXPECT_EQ(Trim(std::string("\0x\0", 3)), "x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
}

TEST(TextCut, Trim_Should_KeepBytesAbove127) {
    // Windows-1251 letters are bytes 0xC0..0xFF, negative as char: they must not count as blanks.
    EXPECT_EQ(Trim(" \xEF\xF0\xE8 "), "\xEF\xF0\xE8");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // no-break space (0xA0) is above 32
}

TEST(TextCut, LowerAndUpper_Should_FoldAsciiLettersOnly) {
    EXPECT_EQ(LowerAscii("WWW.Site.TEST/09@[`{"), "www.site.test/09@[`{");
    EXPECT_EQ(UpperAscii("Rank_1:x{"), "RANK_1:X{");
    // Windows-1251 capitals and small letters stay as they are.
    EXPECT_EQ(LowerAscii("\xCF\xD0\xC8\xcc\xc5\xd0"), "\xCF\xD0\xC8\xcc\xc5\xd0");
    EXPECT_EQ(UpperAscii("\xef\xf0\xe8"), "\xef\xf0\xe8");
}

TEST(TextCut, Contains_Should_AgreeWithPos) {
    EXPECT_TRUE(Contains("abc", "b"));
    EXPECT_FALSE(Contains("abc", "B"));
    EXPECT_FALSE(Contains("abc", ""));
    EXPECT_FALSE(Contains("", "a"));
}

}  // namespace
}  // namespace vantle
