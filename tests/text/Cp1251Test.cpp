#include "text/Cp1251.h"

#include <gtest/gtest.h>

namespace vantle {
namespace {

TEST(Cp1251, Cp1251ToUtf16_Should_DecodeCyrillicLetters) {
    EXPECT_EQ(Cp1251ToUtf16("\xEF\xF0\xE8\xEC\xE5\xF0"), u"пример");
    EXPECT_EQ(Cp1251ToUtf16("\xCF\xD0\xC8\xCC\xC5\xD0"), u"ПРИМЕР");
    EXPECT_EQ(Cp1251ToUtf16("\xA8\xB8"), u"Ёё");
    EXPECT_EQ(Cp1251ToUtf16("\xF0\xF4"), u"рф");
    EXPECT_EQ(Cp1251ToUtf16("\x88\xB9"), u"€№");
    EXPECT_EQ(Cp1251ToUtf16(""), u"");
}

TEST(Cp1251, Cp1251ToUtf16_Should_MapEveryByteToOneCodeUnit) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const std::u16string text = Cp1251ToUtf16(all);
    ASSERT_EQ(text.size(), 256u);
    for (int b = 0; b < 128; ++b) {
        EXPECT_EQ(text[static_cast<std::size_t>(b)], static_cast<char16_t>(b)) << b;  // ASCII, NUL included
    }
    EXPECT_EQ(text[0x98], u'\u0098');  // unassigned in the code page
    for (int b = 0xC0; b <= 0xFF; ++b) {
        EXPECT_EQ(text[static_cast<std::size_t>(b)], static_cast<char16_t>(0x0410 + b - 0xC0)) << b;  // А..я
    }
}

TEST(Cp1251, Utf16ToCp1251_Should_RoundTripEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(all)), all);
}

TEST(Cp1251, Utf16ToCp1251_Should_EncodeCyrillicLetters) {
    EXPECT_EQ(Utf16ToCp1251(u"пример.рф"), "\xEF\xF0\xE8\xEC\xE5\xF0.\xF0\xF4");
    EXPECT_EQ(Utf16ToCp1251(u"\u0098"), "\x98");
    EXPECT_EQ(Utf16ToCp1251(u""), "");
}

TEST(Cp1251, Utf16ToCp1251_Should_WriteOneQuestionMarkPerCodePoint_When_Unmappable) {
    EXPECT_EQ(Utf16ToCp1251(u"a中b"), "a?b");
    EXPECT_EQ(Utf16ToCp1251(u"\U0001F600"), "?");  // two code units, one code point
    EXPECT_EQ(Utf16ToCp1251(u"x\U0001F600\U0001F600y"), "x??y");
    EXPECT_EQ(Utf16ToCp1251(u"ĀŁ"), "??");
}

TEST(Cp1251, Utf16ToCp1251_Should_WriteQuestionMark_When_SurrogateIsUnpaired) {
    const char16_t high[] = {u'a', 0xD83D, u'b'};
    EXPECT_EQ(Utf16ToCp1251(std::u16string_view(high, 3)), "a?b");
    const char16_t low[] = {0xDE00, u'b'};
    EXPECT_EQ(Utf16ToCp1251(std::u16string_view(low, 2)), "?b");
    const char16_t trailing[] = {u'a', 0xD83D};
    EXPECT_EQ(Utf16ToCp1251(std::u16string_view(trailing, 2)), "a?");
}

}  // namespace
}  // namespace vantle
