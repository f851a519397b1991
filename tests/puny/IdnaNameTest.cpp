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

}  // namespace
}  // namespace vantle
