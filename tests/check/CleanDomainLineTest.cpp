#include "check/CleanDomainLine.h"

#include <gtest/gtest.h>

#include "text/Cp1251.h"

namespace vantle {
namespace {

TEST(CleanDomainLine, Should_GiveTheDisplayName_When_LineHoldsADot) {
    struct Case {
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        {"  WWW.Site.TEST/  ", "site.test"},
        {"site.test", "site.test"},
        {"site.test:8080", "8080"},  // only what follows the first ":" stays
        {"http://site.test/", "site.test"},
        {"HTTP://WWW.Site.Test/", "site.test"},
        {"//site.test/", "site.test"},
        {"site.test/page", "site.testpage"},
        {"www.site.test", "site.test"},
        {"www.test", "www.test"},  // one dot: the prefix stays
        {"www.www.site.test", "www.site.test"},
        {"wwwsite.test.ru", "wwwsite.test.ru"},
        {"s i t e . t e s t", "site.test"},
        {"\tsite.test\r\n", "site.test"},
        {"a:b:c.test", "b:c.test"},
        {"http://www.test", "www.test"},
        {".", "."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanDomainLine(c.line), c.expected) << c.line;
    }
}

TEST(CleanDomainLine, Should_SkipTheLine_When_ItHoldsNoDot) {
    for (const char* line : {"foo", "", "   ", "http://localhost/", "FOO BAR"}) {
        EXPECT_EQ(CleanDomainLine(line), std::nullopt) << line;
    }
}

TEST(CleanDomainLine, Should_SkipTheLine_When_ItIsLongerThanAnyListLineOfADomain) {
    struct Case {
        std::size_t length;
        bool kept;
    };
    const std::size_t limit = kLongestListLine;
    for (const Case c : {Case{limit, true}, Case{limit + 1, false}, Case{5 * 1024 * 1024, false}}) {
        const std::string line = "site.test/" + std::string(c.length - 10, 'x');
        EXPECT_EQ(CleanDomainLine(line).has_value(), c.kept) << c.length;
    }
}

TEST(CleanDomainLine, Should_LowerOnlyAsciiLetters) {
    EXPECT_EQ(CleanDomainLine(Utf16ToCp1251(u"ПРИМЕР.РФ")), Utf16ToCp1251(u"ПРИМЕР.РФ"));
    EXPECT_EQ(CleanDomainLine(Utf16ToCp1251(u" Пример.РФ/ ")), Utf16ToCp1251(u"Пример.РФ"));
    // The prefix is dropped after lowering; the Cyrillic capital stays.
    EXPECT_EQ(CleanDomainLine(Utf16ToCp1251(u"WWW.Пример.рф")), Utf16ToCp1251(u"Пример.рф"));
}

TEST(CleanDomainLine, Should_KeepCyrillicBytesAtTheEnds_When_Trimming) {
    // Bytes of 0x80 and above are letters, not blanks, whatever the signedness of char.
    EXPECT_EQ(CleanDomainLine(Utf16ToCp1251(u"я.я")), Utf16ToCp1251(u"я.я"));
}

}  // namespace
}  // namespace vantle
