#include "filter/Repeats.h"

#include <gtest/gtest.h>

#include "text/Cp1251.h"

namespace vantle {
namespace {

TEST(Repeats, Should_MarkEveryLaterLineOfACleanedName) {
    struct Case {
        std::vector<std::string> lines;
        std::vector<bool> repeated;
    };
    const Case cases[] = {
        {{"Site.ru", "www.site.ru", "site.ru/", "other.ru", " SITE.RU ", "http://site.ru"},
         {false, true, true, false, true, true}},
        {{"junk", "", "junk", ""}, {false, false, false, false}},
        {{Utf16ToCp1251(u"Пример.РФ"), Utf16ToCp1251(u"www.пример.рф/")}, {false, true}},
        {{"a.ru", "b.ru"}, {false, false}},
        {{"https://www.habr.com/ru/", "habr.com", "habr.com:443", "user@habr.com?x#y", "habr.com.ru"},
         {false, true, true, true, false}},
        {{"xn--e1afmkfd.xn--p1ai", Utf16ToCp1251(u"ПРИМЕР.рф"), Utf16ToCp1251(u"https://пример.рф/")},
         {false, true, true}},
        {{Utf16ToCp1251Keeping(u"MÜNCHEN.de"), "xn--mnchen-3ya.de"}, {false, true}},
        {{"xn--e-xbb.com", Utf16ToCp1251Keeping(u"é.com")}, {false, false}},  // a look-alike, not a repeat
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RepeatedLines(c.lines), c.repeated) << c.lines[0];
    }
}

}  // namespace
}  // namespace vantle
