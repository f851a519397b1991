#include "text/Cp1251.h"

#include <gtest/gtest.h>

#include "text/Utf8.h"

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

// The escape of a code point written by hand: 0x98, the digits, 0x98.
std::string Esc(const char* hex) {
    return std::string("\x98") + hex + "\x98";
}

// The older form, closed by ";".
std::string OldEsc(const char* hex) {
    return std::string("\x98") + hex + ";";
}

struct KeptCase {
    const char* what;
    std::u16string text;
    std::string bytes;
};

const KeptCase kKept[] = {
    {"Latin letter", u"münchen.de", "m" + Esc("fc") + "nchen.de"},
    {"CJK", u"例え.jp", Esc("4f8b") + Esc("3048") + ".jp"},
    {"Greek", u"ελλάδα.gr",
     Esc("3b5") + Esc("3bb") + Esc("3bb") + Esc("3ac") + Esc("3b4") + Esc("3b1") + ".gr"},
    {"no-break space is in the code page", u"\u00A0", "\xA0"},
    {"soft hyphen is in the code page", u"\u00AD", "\xAD"},
    {"first Latin-1 letter outside the code page", u"\u00A1", Esc("a1")},
    {"last Latin-1 letter", u"\u00FF", Esc("ff")},
    {"Cyrillic stays bytes", u"рф\u0401", "\xF0\xF4\xA8"},
    {"U+0098 keeps its byte", u"\u0098", "\x98"},
    {"last code point of the BMP", u"\uFFFF", Esc("ffff")},
    {"first beyond the BMP", u"\U00010000", Esc("10000")},
    {"emoji", u"a\U0001F600b", "a" + Esc("1f600") + "b"},
    {"last code point", u"\U0010FFFF", Esc("10ffff")},
    {"zero-width space is kept, not dropped", u"\u200Bc", Esc("200b") + "c"},
    {"empty", u"", ""},
    {"NUL stays its byte", std::u16string(1, u'\0'), std::string(1, '\0')},
};

TEST(Cp1251Escape, Utf16ToCp1251Keeping_Should_WriteAnEscapeForWhatTheCodePageCannotHold) {
    for (const KeptCase& c : kKept) {
        EXPECT_EQ(Utf16ToCp1251Keeping(c.text), c.bytes) << c.what;
        EXPECT_EQ(Cp1251ToUtf16(c.bytes), c.text) << c.what;
    }
}

TEST(Cp1251Escape, Utf8Pair_Should_KeepTheSameCharacters) {
    for (const KeptCase& c : kKept) {
        const std::string utf8 = Cp1251ToUtf8(c.bytes);
        EXPECT_EQ(Utf8ToCp1251Keeping(utf8), c.bytes) << c.what;
        EXPECT_EQ(Cp1251ToUtf16(Utf8ToCp1251Keeping(utf8)), c.text) << c.what;
    }
    EXPECT_EQ(Cp1251ToUtf8("m" + Esc("fc") + "nchen"), "m\xC3\xBCnchen");
    EXPECT_EQ(Cp1251ToUtf8("a\x7f"), "a\x7f");              // below 0x80 the bytes are the same
    EXPECT_EQ(Cp1251ToUtf8("a\x7f\x80"), "a\x7f\xD0\x82");  // from 0x80 on they are not
}

TEST(Cp1251Escape, OldConversions_Should_StillWriteQuestionMarks) {
    EXPECT_EQ(Utf16ToCp1251(u"münchen"), "m?nchen");
    EXPECT_EQ(Utf8ToCp1251("m\xC3\xBCnchen"), "m?nchen");
    EXPECT_EQ(Utf8ToCp1251("\xEF\xBF\xBD"), "?");  // U+FFFD itself
}

TEST(Cp1251Escape, IllFormedUtf8_Should_BecomeQuestionMark_When_Kept) {
    EXPECT_EQ(Utf8ToCp1251Keeping("a\xFF"
                                  "b"),
              "a?b");
    EXPECT_EQ(Utf8ToCp1251Keeping("\xC3"), "?");
    EXPECT_EQ(Utf8ToCp1251Keeping("\xEF\xBF\xBD"), Esc("fffd"));  // a real U+FFFD is a character
}

TEST(Cp1251Escape, UnpairedSurrogate_Should_BecomeQuestionMark_When_Kept) {
    const char16_t lone[] = {u'a', 0xD83D, u'b', 0xDE00};
    EXPECT_EQ(Utf16ToCp1251Keeping(std::u16string_view(lone, 4)), "a?b?");
}

TEST(Cp1251Escape, MalformedEscape_Should_StayU0098AndItsBytes) {
    const std::string malformed[] = {
        "\x98",      // alone
        "\x98;",     // no digits
        "\x98\x98",  // no digits before the closing byte
        "\x98"
        "fc,",  // a comma closes nothing
        "\x98"
        "fc\t",  // nor does a tab
        "\x98"
        "fc",  // no ";"
        "\x98"
        "fcx;",  // not a digit before ";"
        "\x98"
        "FC;",  // upper case
        "\x98"
        "0fc;",  // leading zero
        "\x98"
        "0;",  // U+0000 is in the code page
        "\x98"
        "41;",  // "A" is in the code page
        "\x98"
        "a0;",  // so is the no-break space
        "\x98"
        "410;",  // and "А"
        "\x98"
        "98;",  // and U+0098, as its own byte
        "\x98"
        "d800;",  // a surrogate is no character
        "\x98"
        "dfff;",  // nor is the last one
        "\x98"
        "110000;",  // beyond the last code point
        "\x98"
        "1000000;",  // seven digits
    };
    for (const std::string& bytes : malformed) {
        std::u16string expected = u"\u0098";
        for (std::size_t i = 1; i < bytes.size(); ++i) {
            expected.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i])));
        }
        EXPECT_EQ(Cp1251ToUtf16(bytes), expected) << bytes.substr(1);
        EXPECT_EQ(EscapeAt(bytes, 0), 0u) << bytes.substr(1);
        EXPECT_FALSE(HoldsEscape(bytes)) << bytes.substr(1);
        EXPECT_EQ(CharacterCount(bytes), bytes.size()) << bytes.substr(1);
        EXPECT_EQ(EscapesAsQuestionMarks(bytes), bytes) << bytes.substr(1);
    }
}

TEST(Cp1251Escape, EscapeAt_Should_MeasureTheEscapeAtItsPlace) {
    const std::string text = "a" + Esc("fc") + Esc("10ffff") + Esc("d7ff") + Esc("e000");
    char32_t codePoint = 0;
    EXPECT_EQ(EscapeAt(text, 0), 0u);
    EXPECT_EQ(EscapeAt(text, 1, &codePoint), 4u);
    EXPECT_EQ(codePoint, U'\u00FC');
    EXPECT_EQ(EscapeAt(text, 2), 0u) << "inside an escape";
    EXPECT_EQ(EscapeAt(text, 5, &codePoint), 8u);
    EXPECT_EQ(codePoint, U'\U0010FFFF');
    EXPECT_EQ(EscapeAt(text, 13, &codePoint), 6u) << "last before the surrogates";
    EXPECT_EQ(EscapeAt(text, 19, &codePoint), 6u) << "first after them";
    EXPECT_EQ(codePoint, U'\uE000');
    EXPECT_EQ(EscapeAt(text, text.size()), 0u);
    EXPECT_EQ(EscapeOf(U'\u00FC'), Esc("fc"));
}

TEST(Cp1251Escape, Helpers_Should_CountAnEscapeAsOneCharacter) {
    const struct {
        std::string bytes;
        std::size_t characters;
        std::string questioned;
        bool holds;
    } cases[] = {
        {"", 0, "", false},
        {"ab", 2, "ab", false},
        {"m" + Esc("fc") + "n", 3, "m?n", true},
        {Esc("1f600"), 1, "?", true},
        {Esc("4f8b") + Esc("3048") + ".jp", 5, "??.jp", true},
        {"\x98"
         "41;" +
             Esc("fc"),
         5,
         "\x98"
         "41;?",
         true},  // a malformed one, then a real one
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CharacterCount(c.bytes), c.characters) << c.questioned;
        EXPECT_EQ(EscapesAsQuestionMarks(c.bytes), c.questioned) << c.questioned;
        EXPECT_EQ(HoldsEscape(c.bytes), c.holds) << c.questioned;
    }
}

TEST(Cp1251Escape, InsideEscape_Should_MarkEveryByteAfterItsFirst) {
    const std::string text = "a" + Esc("10ffff") + "b" +
                             "\x98"
                             "41;";  // a real escape, then a bare 0x98
    const bool inside[] = {false, false, true,  true,  true,  true,  true, true,
                           true,  false, false, false, false, false, false};
    ASSERT_EQ(std::size(inside), text.size() + 1);
    for (std::size_t at = 0; at <= text.size(); ++at) {
        EXPECT_EQ(InsideEscape(text, at), inside[at]) << at;
    }
}

// No reader of lists or tables can cut an escape: it holds none of their separators, and the older
// form closed by ";" still reads back, rewritten in the current one.
TEST(Cp1251Escape, Escape_Should_HoldNoSeparator_And_ReadTheOlderForm) {
    for (const char32_t codePoint : {U'\u00A1', U'\u00FC', U'\u3048', U'\U0001F600', U'\U0010FFFF'}) {
        const std::string escape = EscapeOf(codePoint);
        EXPECT_EQ(escape.find_first_of(";,\t\"' \r\n"), std::string::npos) << escape;
    }
    const struct {
        std::string bytes;
        std::u16string text;
        std::string current;
    } cases[] = {
        {"m" + OldEsc("fc") + "nchen.de", u"münchen.de", "m" + Esc("fc") + "nchen.de"},
        {OldEsc("1f600") + Esc("fc"), u"\U0001F600ü", Esc("1f600") + Esc("fc")},
        {OldEsc("fc") + ";", u"ü;", Esc("fc") + ";"},
        {"\x98"
         "41;",
         u"\u0098"
         u"41;",
         "\x98"
         "41;"},  // a bare 0x98 stays
        // The closing byte of one escape, then digits and a 0x98: read from the start, the digits are
        // letters of their own.
        {Esc("fc") + "1f600" + Esc("e9"), u"ü1f600é", Esc("fc") + "1f600" + Esc("e9")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp1251ToUtf16(c.bytes), c.text) << c.current;
        EXPECT_EQ(CurrentEscapes(c.bytes), c.current);
        EXPECT_EQ(Utf16ToCp1251Keeping(c.text), c.current);
    }
    // Inside "ü1f600é" only the bytes after each escape's opening are inside an escape; the closing
    // 0x98 of "ü" opens none.
    const std::string text = Esc("fc") + "1f600" + Esc("e9");
    for (std::size_t at = 0; at <= text.size(); ++at) {
        const bool inside = (at >= 1 && at <= 3) || (at >= 10 && at <= 12);
        EXPECT_EQ(InsideEscape(text, at), inside) << at;
    }
}

TEST(Cp1251Escape, LowerEscapes_Should_LowerTheirCharactersOnly) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"MÜNCHEN", u"MüNCHEN"},                // the code page's letters are left to the caller
        {u"ΕΛΛΆΔΑ", u"ελλάδα"},   {u"İ", u"i"},  // lowered into the code page: a plain byte again
        {u"例え😀ü", u"例え😀ü"},   {u"", u""},
    };
    for (const auto& [text, lower] : cases) {
        EXPECT_EQ(LowerEscapes(Utf16ToCp1251Keeping(text)), Utf16ToCp1251Keeping(lower));
    }
    EXPECT_EQ(LowerEscapes("\x98"
                           "41;A"),
              "\x98"
              "41;A");
}

}  // namespace
}  // namespace vantle
