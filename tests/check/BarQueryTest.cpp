#include "check/BarQuery.h"

#include <gtest/gtest.h>

#include <new>

#include "check/ScriptedHttpGetter.h"

namespace vantle {
namespace {

using testing::ScriptedHttpGetter;

ServiceHosts SimHosts() {
    ServiceHosts hosts;
    hosts.bar = "127.0.0.1:8081";
    hosts.catalogue = "yaca.sim";
    return hosts;
}

TEST(BarQuery, BarQueryUrl_Should_PutTheQueryNameAfterTheUrlKey) {
    EXPECT_EQ(BarQueryUrl(ServiceHosts{}, "site.test"),
              "http://bar-navig.yandex.ru/u?ver=2&show=32&url=http://site.test");
    EXPECT_EQ(BarQueryUrl(SimHosts(), "xn--e1afmkfd.xn--p1ai"),
              "http://127.0.0.1:8081/u?ver=2&show=32&url=http://xn--e1afmkfd.xn--p1ai");
}

TEST(BarQuery, Should_ReturnTheBody_When_GetSucceeds) {
    ScriptedHttpGetter http;
    http.Answer("<tcy value=\"120\"/>");
    EXPECT_EQ(BarQuery(http, SimHosts(), "site.test"), "<tcy value=\"120\"/>");
    ASSERT_EQ(http.urls.size(), 1u);
    EXPECT_EQ(http.urls[0], "http://127.0.0.1:8081/u?ver=2&show=32&url=http://site.test");
}

TEST(BarQuery, Should_GiveTheEmptyAnswerWithoutRetry_When_GetFails) {
    ScriptedHttpGetter http;
    http.Fail().Answer("never asked");
    EXPECT_EQ(BarQuery(http, SimHosts(), "site.test"), "");
    EXPECT_EQ(http.urls.size(), 1u);

    ScriptedHttpGetter cut;
    cut.FailAfter("<tcy value=\"12");  // a body cut short is no answer either
    EXPECT_EQ(BarQuery(cut, SimHosts(), "site.test"), "");
}

class ThrowingGetter : public HttpGetter {
public:
    explicit ThrowingGetter(int kind) : kind_(kind) {}
    void Get(std::string_view, std::string& result) override {
        result = "partial";
        switch (kind_) {
            case 0:
                throw EIdHTTPProtocolException(404, "HTTP/1.1 404 Not Found", "<html>gone</html>");
            case 1:
                throw std::runtime_error("resolve");
            case 2:
                throw std::bad_alloc();
            default:
                throw 42;
        }
    }

private:
    int kind_;
};

TEST(BarQuery, Should_CatchEveryKindOfFailure) {
    for (int kind = 0; kind < 4; ++kind) {
        ThrowingGetter http(kind);
        EXPECT_EQ(BarQuery(http, SimHosts(), "site.test"), "") << kind;
    }
}

TEST(BarQuery, ExtractTic_Should_CutTheValue) {
    struct Case {
        const char* answer;
        const char* expected;
    };
    const Case cases[] = {
        {"<tcy value=\"120\"/>", "120"},
        {"...<tcy rang=\"3\" value=\"0\"/>...", "0"},
        {"value=\"120\" value=\"7\"", "120"},        // the first marker
        {"value=\"123456789012\"", "123456789012"},  // 12 characters and the quote fit the 20
        {"value=\"1234567890123\"", ""},             // the closing quote is the 21st: no quote
        {"value=\" 15 \"", " 15 "},                  // untrimmed
        {"value=\"\"", ""},
        {"value=\"120", ""},      // no closing quote
        {"", ""},                 // failed request
        {"<tcy v=12\"/>", "12"},  // no marker: from the 8th character of the answer
        {"VALUE=\"5\"", "5"},     // case matters: read as an answer without marker
        {"12345678\"", "8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractTic(c.answer), c.expected) << c.answer;
    }
}

TEST(BarQuery, ExtractMirror_Should_CutTheFirstUrlDomain) {
    struct Case {
        const char* answer;
        const char* expected;
    };
    const Case cases[] = {
        {"<x/><url domain=\"other.test\"><y/>", "other.test"},
        {"<url domain=\"a.test\"><url domain=\"b.test\">", "a.test"},
        {"", ""},
        {"<a href=\"x.test\">", "<a href=\"x.test"},  // no marker: the text before the first '">'
        {"<url domain=\"a.test\"", ""},               // no '">'
        {"<url domain=\"\">", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractMirror(c.answer), c.expected) << c.answer;
    }
}

TEST(BarQuery, ClassifyMirror_Should_GiveTheStatus) {
    struct Case {
        const char* answer;
        const char* expected;
    };
    const Case cases[] = {
        {"<url domain=\"site.test\"><tcy value=\"10\"/>", ""},
        {"<url domain=\"www.site.test\">", "(www)"},
        {"<url domain=\"other.test\">", "Vantle: other.test"},
        {"<url domain=\"mysite.test\">", "Vantle(S): mysite.test"},
        {"<url domain=\"site.test.ua\">", "Vantle(S): site.test.ua"},
        {"<url domain=\"site.test\"><a href=\"http://site.test./\"/>", "Vantle(S): site.test"},
        {"", "Vantle: "},
        {"<url domain=\"Site.test\">", "Vantle: Site.test"},  // case matters
        {"<url domain=\"other.test\"><b>www.site.test</b>", "Vantle(S): other.test"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyMirror("site.test", c.answer), c.expected) << c.answer;
    }
}

TEST(BarQuery, InCatalogue_Should_FindTheCatalogueLink) {
    const ServiceHosts real;
    EXPECT_TRUE(InCatalogue("<a href=\"http://yaca.yandex.ru/yca/cat/\">", real));
    EXPECT_TRUE(InCatalogue("http://yaca.yandex.ru/yca/ http://yaca.yandex.ru/yca/", real));
    EXPECT_FALSE(InCatalogue("http://yaca.yandex.ru/yc/", real));
    EXPECT_FALSE(InCatalogue("HTTP://yaca.yandex.ru/yca/", real));
    EXPECT_FALSE(InCatalogue("", real));
    EXPECT_TRUE(InCatalogue("<a href=\"http://yaca.sim/yca/\">", SimHosts()));
    EXPECT_FALSE(InCatalogue("<a href=\"http://yaca.yandex.ru/yca/\">", SimHosts()));
}

}  // namespace
}  // namespace vantle
