#include <gtest/gtest.h>

#include "puny/IdnaName.h"
#include "text/Cp1251.h"

namespace vantle {
namespace {

std::string Cp(const char16_t* text) {
    return Utf16ToCp1251(text);
}

TEST(IdnaNameTest, FullAsciiName_Should_EncodeEveryLabelAndLowerCase) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"Example.COM", "example.com"},
        {Cp(u"пример.рф"), "xn--e1afmkfd.xn--p1ai"},
        {Cp(u"Магазин.Москва"), "xn--80aairftm.xn--80adxhks"},
        {Cp(u"www.сайт.рф"), "www.xn--80aswg.xn--p1ai"},
        {"xn--e1afmkfd.xn--p1ai", "xn--e1afmkfd.xn--p1ai"},
        {"bad_name..", "bad_name.."},  // refused by IDNA: kept, lower-cased
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FullAsciiName(c.in), c.out) << c.in;
    }
}

// Plain lower-case names skip the IDNA look-up; they must come out as the look-up gives them.
TEST(IdnaNameTest, FullAsciiName_Should_GiveWhatIdnaGives_When_TheNameIsPlainAscii) {
    const char* const names[] = {"shop1.example", "a-b.c", "x.y-z9", "Shop.example", "-a.ru",     "a-.ru",
                                 "a.ru.",         ".a.ru", "a..ru",  "xn--p1ai.ru",  "ab--cd.ru", "a"};
    for (const char* name : names) {
        EXPECT_EQ(FullAsciiName(name), FullAsciiNameOfUtf8(name)) << name;
    }
}

TEST(IdnaNameTest, FullAsciiNameOfUtf8_Should_EncodeUtf8WhateverTheLocale) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"\xd0\xa1\xd0\x90\xd0\x99\xd0\xa2.\xd1\x80\xd1\x84", "xn--80aswg.xn--p1ai"},  // САЙТ.рф
        {"WWW.\xd1\x81\xd0\xb0\xd0\xb9\xd1\x82.RU", "www.xn--80aswg.ru"},              // WWW.сайт.RU
        {"Example.COM", "example.com"},
        {"\xf1\xe0\xe9\xf2.RU", "\xf1\xe0\xe9\xf2.ru"},  // not UTF-8: refused, ASCII lower-cased
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FullAsciiNameOfUtf8(c.in), c.out) << c.in;
    }
}

TEST(IdnaNameTest, DisplayName_Should_DecodeAceLabelsOnly) {
    EXPECT_EQ(DisplayName("www.xn--e1afmkfd.xn--p1ai"), Cp(u"www.пример.рф"));
    EXPECT_EQ(DisplayName("example.com"), "example.com");
    EXPECT_EQ(DisplayName("xn--zz-broken.com"), "xn--zz-broken.com");
}

std::string Kept(const char16_t* text) {
    return Utf16ToCp1251Keeping(text);
}

// Names as the list gives them (lower-cased ASCII, characters beyond the code page as escapes).
TEST(IdnaNameTest, CheckableAsciiName_Should_GiveTheIdnaForm_When_TheNameCanBeAskedFor) {
    // name, its form
    const std::pair<std::string, std::string> cases[] = {
        {Kept(u"münchen.de"), "xn--mnchen-3ya.de"},
        {Kept(u"MÜNCHEN.de"), "xn--mnchen-3ya.de"},
        {Kept(u"例え.jp"), "xn--r8jz45g.jp"},
        {Kept(u"ελλάδα.gr"), "xn--hxakic4aa.gr"},
        {Cp(u"пример.рф"), "xn--e1afmkfd.xn--p1ai"},
        {Kept(u"пример-ü.рф"), "xn----eha78vlauqhd.xn--p1ai"},
        {"example.com", "example.com"},
        {"a.ru.", "a.ru."},  // the root's dot
        {"a-b.ru", "a-b.ru"},
        {"a1.ru", "a1.ru"},
        {"xn--e1afmkfd.xn--p1ai", "xn--e1afmkfd.xn--p1ai"},
        {"ab-cd.ru", "ab-cd.ru"},
        {"a", "a"},
    };
    for (const auto& [name, ascii] : cases) {
        EXPECT_EQ(CheckableAsciiName(name), std::optional<std::string>(ascii)) << ascii;
    }
}

TEST(IdnaNameTest, CheckableAsciiName_Should_GiveNothing_When_TheNameCannotBeAskedFor) {
    const struct {
        const char* why;
        std::string in;
    } cases[] = {
        {"empty label", Cp(u"пример..рф")},
        {"empty ASCII label", "a..ru"},
        {"empty first label", ".a.ru"},
        {"only the root's dot", "."},
        {"two dots at the end", "a.ru.."},
        {"no-break space", Cp(u"при\u00A0мер.рф")},
        {"soft hyphen", Cp(u"при\u00ADмер.рф")},
        {"zero-width space", Kept(u"при\u200Bмер.рф")},
        {"blank", "a b.ru"},
        {"tab", "a\tb.ru"},
        {"control",
         "a\x01"
         "b.ru"},
        {"underscore", "a_b.ru"},
        {"at sign", "a@b.ru"},
        {"asterisk", "*.ru"},
        {"hyphen first", "-a.ru"},
        {"hyphen last", "a-.ru"},
        {"two hyphens third and fourth", "ab--cd.ru"},
        {"emoji", Kept(u"\U0001F600.com")},
        {"Cyrillic hyphen first", Cp(u"-пример.рф")},
        {"label over 63", std::string(64, 'a') + ".ru"},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckableAsciiName(c.in), std::nullopt) << c.why;
    }
    EXPECT_NE(CheckableAsciiName(std::string(63, 'a') + ".ru"), std::nullopt) << "63 is the most";
}

TEST(IdnaNameTest, DisplayName_Should_KeepWhatTheCodePageCannotHold) {
    EXPECT_EQ(DisplayName("xn--mnchen-3ya.de"), Kept(u"münchen.de"));
    EXPECT_EQ(DisplayName("xn--r8jz45g.jp"), Kept(u"例え.jp"));  // Han and Kana are one writing
    EXPECT_EQ(DisplayName("xn--hxakic4aa.gr"), Kept(u"ελλάδα.gr"));
    EXPECT_EQ(DisplayName("xn--e1afmkfd.com"), Cp(u"пример.com"));     // each label in a script of its own
    EXPECT_EQ(DisplayName("xn--pypal-4ve.com"), "xn--pypal-4ve.com");  // Latin and Cyrillic in one label
    // "e" and a combining accent: decoded, it would be shown as "é.com", whose own ASCII form is
    // xn--9ca.com, another domain.
    EXPECT_EQ(DisplayName("xn--e-xbb.com"), "xn--e-xbb.com");
    EXPECT_EQ(DisplayName("xn--9ca.com"), Kept(u"é.com"));
}

}  // namespace
}  // namespace vantle
