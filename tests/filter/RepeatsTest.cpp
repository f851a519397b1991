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
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RepeatedLines(c.lines), c.repeated) << c.lines[0];
    }
}

}  // namespace
}  // namespace vantle
