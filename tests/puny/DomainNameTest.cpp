#include "puny/DomainName.h"

#include <gtest/gtest.h>

#include "text/Cp1251.h"

namespace vantle {
namespace {

std::string Cp(std::u16string_view text) {
    return Utf16ToCp1251(text);
}

TEST(DomainToAscii, Should_ConvertCyrillicFirstLabelAndZone_When_Marked) {
    struct Case {
        std::u16string firstLabel;
        std::u16string zone;
        std::u16string expectedLabel;
        std::u16string expectedZone;
    };
    const Case cases[] = {
        {u"пример", u"рф", u"xn--e1afmkfd", u"xn--p1ai"},      // label and zone both converted
        {u"example", u"рф", u"example", u"xn--p1ai"},          // only the zone
        {u"example", u"com", u"example", u"com"},              // nothing to convert
        {u"пример", u"рус", u"xn--e1afmkfd", u"рус"},          // another Cyrillic zone stays
        {u"sub", u"пример.рф", u"sub", u"пример.рф"},          // two-label zone part is not рф
        {u"пример", u"com.рф", u"xn--e1afmkfd", u"com.рф"},    // only the first label converted
        {u"ПРИМЕР", u"РФ", u"ПРИМЕР", u"РФ"},                  // capitals do not mark; exact zone
        {u"Пример", u"рф", u"xn--r0a8biqsd", u"xn--p1ai"},     // a capital encoded in its case
        {u"тест123", u"рф", u"xn--123-qdd4dec", u"xn--p1ai"},  // Latin digits in a marked label
        {u"ё", u"рф", u"ё", u"xn--p1ai"},                      // ё alone does not mark
        {u"ёж", u"рф", u"xn--f1a7c", u"xn--p1ai"},             // ж marks, ё is encoded with it
        {u"", u"рф", u"", u"xn--p1ai"},                        // a name that begins with a dot
        {u"почта-россии", u"рф", u"xn----7sbza0acdlkaf3d", u"xn--p1ai"},
        {u"пример", u"рф.", u"xn--e1afmkfd", u"рф."},  // something after рф: not the zone
        {u"пример", u" рф", u"xn--e1afmkfd", u" рф"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DomainToAscii(Cp(c.firstLabel) + "." + Cp(c.zone)),
                  Cp(c.expectedLabel) + "." + Cp(c.expectedZone))
            << Cp(c.firstLabel) << "." << Cp(c.zone);
    }
}

TEST(DomainToAscii, Should_MarkLabel_When_ItHoldsASpace) {
    // The encoder gives back a label of basic code points unchanged, so only the prefix is added.
    EXPECT_EQ(DomainToAscii("a b.test"), "xn--a b.test");
}

TEST(DomainToAscii, Should_MarkLabel_When_AnySmallRussianLetterOccurs) {
    const std::u16string letters = u"абвгдежзийклмнопрстуфхцчшщъыьэюя";
    ASSERT_EQ(letters.size(), 32u);
    for (char16_t letter : letters) {
        const std::string label = "x" + Cp(std::u16string(1, letter));
        EXPECT_EQ(DomainToAscii(label + ".test").substr(0, 4), "xn--") << label;
    }
}

TEST(DomainToAscii, Should_LeaveLabel_When_OnlyCapitalsOrYoOrOtherLettersOccur) {
    for (std::u16string label : {u"ЁЖИК", u"ёё", u"straße", u"ÿ", u"x\u0098", u"Ї"}) {
        const std::string name = Cp(label) + ".test";
        EXPECT_EQ(DomainToAscii(name), name);
    }
}

TEST(DomainToAscii, Should_TakeTheWholeNameAsFirstLabel_When_ThereIsNoDot) {
    EXPECT_EQ(DomainToAscii(Cp(u"пример")), "xn--e1afmkfd");
    EXPECT_EQ(DomainToAscii(Cp(u"рф")), "xn--p1ai");  // converted as a label, not as a zone
    EXPECT_EQ(DomainToAscii("localhost"), "localhost");
    EXPECT_EQ(DomainToAscii(""), "");
    EXPECT_EQ(DomainToAscii(Cp(u"ПРИМЕР")), Cp(u"ПРИМЕР"));
}

TEST(DomainToAscii, Should_SplitAtTheFirstDotOnly) {
    EXPECT_EQ(DomainToAscii(Cp(u"пример.сайт.рф")), "xn--e1afmkfd." + Cp(u"сайт.рф"));
    EXPECT_EQ(DomainToAscii(Cp(u"пример.")), "xn--e1afmkfd.");
    EXPECT_EQ(DomainToAscii("."), ".");
}

TEST(CountOccurrences, Should_CountNonOverlappingOccurrences) {
    struct Case {
        const char* needle;
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {".", "www.site.test", 2},
        {".", "site", 0},
        {".", "", 0},
        {"aa", "aaaa", 2},
        {"aa", "aaa", 1},
        {"A", "aaa", 0},
        {"", "abc", 0},
        {"ab", "ab", 1},
        {"abc", "ab", 0},
        {".", "...", 3},
        {"\xF0", "\xF0\xF4\xF0", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CountOccurrences(c.needle, c.text), c.expected) << c.needle << " in " << c.text;
    }
}

// Beyond the code page the whole name goes in IDNA; the two-label rule holds for the rest.
TEST(DomainToAscii, Should_GiveTheIdnaForm_When_TheNameHoldsWhatTheCodePageCannotHold) {
    const struct {
        std::u16string name;
        std::string ascii;
    } cases[] = {
        {u"münchen.de", "xn--mnchen-3ya.de"},
        {u"例え.jp", "xn--r8jz45g.jp"},
        {u"ελλάδα.gr", "xn--hxakic4aa.gr"},
        {u"www.münchen.рф", "www.xn--mnchen-3ya.xn--p1ai"},  // every label, not the first two only
        {u"\U0001F600.com", "?.com"},                        // refused: "?" as before
        {u"a\U0001F600.рф", "a?.xn--p1ai"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DomainToAscii(Utf16ToCp1251Keeping(c.name)), c.ascii) << c.ascii;
    }
}

}  // namespace
}  // namespace vantle
