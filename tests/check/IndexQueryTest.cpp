#include "check/IndexQuery.h"

#include <gtest/gtest.h>

#include "check/ScriptedHttpGetter.h"

namespace vantle {
namespace {

using testing::ScriptedHttpGetter;

constexpr const char* kCountPage = "<div class=\"header g-line\"><span title=\"x\">Pages: 1234</span>";
// No marker, but the www name; and cut as a count it gives "42".
constexpr const char* kWwwHint = "Use the name www.site.test: 42</p>";

ServiceHosts SimHosts() {
    ServiceHosts hosts;
    hosts.webmaster = "127.0.0.1:8082";
    return hosts;
}

const std::string kFirstUrl = "http://127.0.0.1:8082/check.xml?hostname=site.test";
const std::string kSecondUrl = "http://127.0.0.1:8082/check.xml?hostname=www.site.test";

TEST(IndexQuery, IndexQueryUrl_Should_PutPrefixAndNameAfterTheHostnameKey) {
    EXPECT_EQ(IndexQueryUrl(ServiceHosts{}, "", "site.test"),
              "http://webmaster.yandex.ru/check.xml?hostname=site.test");
    EXPECT_EQ(IndexQueryUrl(SimHosts(), "www.", "site.test"), kSecondUrl);
}

TEST(IndexQuery, ExtractIndexCount_Should_CutTheCount) {
    struct Case {
        const char* answer;
        const char* expected;
    };
    const Case cases[] = {
        {kCountPage, "1234"},
        {"<div class=\"header g-line\"><b>: 7</b>", "7"},
        {"<div class=\"header g-line\"><span>Pages: 1234", ""},  // no "<" after the count
        {"", ""},
        {kWwwHint, "42"},               // no marker: from the 16th character on
        {"0123456789abcdefgh<", "gh"},  // from the 16th, "fgh<"; no ": ": from its 2nd on
        {"header g-line\">x: 5<", "5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractIndexCount(c.answer), c.expected) << c.answer;
    }
}

TEST(IndexQuery, Should_CutTheCount_When_FirstAnswerHoldsTheMarker) {
    ScriptedHttpGetter http;
    http.Answer(kCountPage);
    EXPECT_EQ(IndexQuery(http, SimHosts(), "site.test", FailedIndexGet::Empty), "1234");
    EXPECT_EQ(http.urls, std::vector<std::string>{kFirstUrl});
}

TEST(IndexQuery, Should_AskOnceMoreUnderWww_When_FirstAnswerNamesTheWwwName) {
    ScriptedHttpGetter http;
    http.Answer("<p>see www.site.test</p>").Answer(kCountPage).Answer("never asked");
    EXPECT_EQ(IndexQuery(http, SimHosts(), "site.test", FailedIndexGet::Empty), "1234");
    EXPECT_EQ(http.urls, (std::vector<std::string>{kFirstUrl, kSecondUrl}));
}

TEST(IndexQuery, Should_CutTheSecondAnswer_When_ItLacksTheMarker) {
    ScriptedHttpGetter http;
    http.Answer("<p>see www.site.test</p>").Answer(kWwwHint);
    EXPECT_EQ(IndexQuery(http, SimHosts(), "site.test", FailedIndexGet::Empty), "42");
    EXPECT_EQ(http.urls.size(), 2u);
}

TEST(IndexQuery, Should_NotRetry_When_TheWwwNameIsAbsent) {
    ScriptedHttpGetter http;
    http.Answer("<p>error</p>");
    EXPECT_EQ(IndexQuery(http, SimHosts(), "site.test", FailedIndexGet::Empty), "-");
    EXPECT_EQ(http.urls.size(), 1u);

    ScriptedHttpGetter plain;
    plain.Answer("no such host");  // no ">" in it: the whole answer is the count
    EXPECT_EQ(IndexQuery(plain, SimHosts(), "site.test", FailedIndexGet::Empty), "no such host");
}

TEST(IndexQuery, Should_GiveDash_When_TheCutStillHoldsAnAngleBracket) {
    ScriptedHttpGetter http;
    http.Answer("<div class=\"header g-line\"><i>x</i> y: a>b<");
    EXPECT_EQ(IndexQuery(http, SimHosts(), "site.test", FailedIndexGet::Empty), "-");
}

TEST(IndexQuery, Should_GiveEmpty_When_FirstRequestFails) {
    for (FailedIndexGet mode : {FailedIndexGet::Empty, FailedIndexGet::KeepVariable}) {
        ScriptedHttpGetter http;
        http.Fail();
        EXPECT_EQ(IndexQuery(http, SimHosts(), "site.test", mode), "");
        EXPECT_EQ(http.urls.size(), 1u);
    }
}

TEST(IndexQuery, Should_UseTheCutBodyOnlyInTheRecheck_When_FirstRequestBreaksOff) {
    ScriptedHttpGetter run;
    run.FailAfter(kCountPage);
    EXPECT_EQ(IndexQuery(run, SimHosts(), "site.test", FailedIndexGet::Empty), "");

    ScriptedHttpGetter recheck;
    recheck.FailAfter(kCountPage);
    EXPECT_EQ(IndexQuery(recheck, SimHosts(), "site.test", FailedIndexGet::KeepVariable), "1234");
}

TEST(IndexQuery, Should_CutTheFirstAnswerInTheRecheck_When_SecondRequestFails) {
    ScriptedHttpGetter run;
    run.Answer(kWwwHint).Fail();
    EXPECT_EQ(IndexQuery(run, SimHosts(), "site.test", FailedIndexGet::Empty), "");
    EXPECT_EQ(run.urls, (std::vector<std::string>{kFirstUrl, kSecondUrl}));

    // The variable still holds the first answer, and the count is cut from it.
    ScriptedHttpGetter recheck;
    recheck.Answer(kWwwHint).Fail();
    EXPECT_EQ(IndexQuery(recheck, SimHosts(), "site.test", FailedIndexGet::KeepVariable), "42");
    EXPECT_EQ(recheck.urls.size(), 2u);
}

TEST(IndexQuery, Should_UseThePartOfTheSecondBody_When_ItBreaksOffInTheRecheck) {
    ScriptedHttpGetter run;
    run.Answer(kWwwHint).FailAfter(kCountPage);
    EXPECT_EQ(IndexQuery(run, SimHosts(), "site.test", FailedIndexGet::Empty), "");

    ScriptedHttpGetter recheck;
    recheck.Answer(kWwwHint).FailAfter(kCountPage);
    EXPECT_EQ(IndexQuery(recheck, SimHosts(), "site.test", FailedIndexGet::KeepVariable), "1234");
}

}  // namespace
}  // namespace vantle
