// The decider of the web check's cells, fed the hops as the fetch would.
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <string>
#include <utility>
#include <vector>

#include "web/WebVerdict.h"

namespace vantle {
namespace {

constexpr const char* kStart = "http://site.ru/";

struct ChainCase {
    const char* name;
    std::vector<WebHop> hops;
    std::string http;
    std::string mirror;
};

WebHop Answer(std::string url, int status, std::string redirect = {}) {
    return {std::move(url), status, std::move(redirect), {}};
}

WebHop Failure(std::string url, std::string word) {
    return {std::move(url), 0, {}, std::move(word)};
}

// Redirects from /0 through /count, each to the next.
std::vector<WebHop> Chain(int count) {
    std::vector<WebHop> hops{Answer(kStart, 302, "http://site.ru/1")};
    for (int i = 1; i < count; ++i) {
        hops.push_back(
            Answer("http://site.ru/" + std::to_string(i), 302, "http://site.ru/" + std::to_string(i + 1)));
    }
    return hops;
}

std::vector<ChainCase> ChainCases() {
    return {
        {"200 at once", {Answer(kStart, 200)}, "200", ""},
        {"404 at once", {Answer(kStart, 404)}, "404", ""},
        {"3xx without Location is final", {Answer(kStart, 301)}, "301", ""},
        {"Location on a 200 is no redirect", {Answer(kStart, 200, "http://other.ru/")}, "200", ""},
        {"to https",
         {Answer(kStart, 301, "https://site.ru/"), Answer("https://site.ru/", 200)},
         "200",
         "https"},
        {"to www",
         {Answer(kStart, 301, "http://www.site.ru/"), Answer("http://www.site.ru/", 200)},
         "200",
         "www"},
        {"to https then www",
         {Answer(kStart, 301, "https://site.ru/"), Answer("https://site.ru/", 301, "https://www.site.ru/"),
          Answer("https://www.site.ru/", 200)},
         "200",
         "www"},
        {"to another domain",
         {Answer(kStart, 302, "http://other.com/x"), Answer("http://other.com/x", 200)},
         "200",
         "other.com"},
        {"path only",
         {Answer(kStart, 302, "http://site.ru/index"), Answer("http://site.ru/index", 200)},
         "200",
         ""},
        {"failure at once", {Failure(kStart, "refused")}, "refused", ""},
        {"chain breaks on https",
         {Answer(kStart, 301, "https://site.ru/"), Failure("https://site.ru/", "TLS error")},
         "TLS error",
         "https"},
        {"chain breaks on www",
         {Answer(kStart, 301, "http://www.site.ru/"), Failure("http://www.site.ru/", "timeout")},
         "timeout",
         "www"},
        {"no status and no word", {Answer(kStart, 0)}, "no answer", ""},
        {"to ftp", {Answer(kStart, 301, "ftp://site.ru/")}, "bad redirect", ""},
        {"to ftp after www",
         {Answer(kStart, 301, "http://www.site.ru/"),
          Answer("http://www.site.ru/", 301, "ftp://www.site.ru/")},
         "bad redirect",
         "www"},
        {"unreadable Location", {Answer(kStart, 301, "http://[bad/")}, "bad redirect", ""},
        {"to itself", {Answer(kStart, 301, kStart)}, "loop", ""},
        {"back and forth",
         {Answer(kStart, 302, "http://www.site.ru/"), Answer("http://www.site.ru/", 302, kStart)},
         "loop",
         ""},
        {"10 redirects are followed",
         [] {
             auto hops = Chain(10);
             hops.push_back(Answer("http://site.ru/10", 200));
             return hops;
         }(),
         "200", ""},
        {"11th redirect is a loop", Chain(11), "loop", ""},
    };
}

class DecideWebTable : public ::testing::TestWithParam<std::size_t> {};

// The chain of c, decided from kStart, ends with its cells.
void ExpectCells(const ChainCase& c) {
    const WebVerdict verdict = DecideWeb(kStart, c.hops, 10);
    EXPECT_FALSE(verdict.next.has_value());
    EXPECT_EQ(verdict.http, c.http);
    EXPECT_EQ(verdict.mirror, c.mirror);
}

TEST_P(DecideWebTable, Should_GiveTheCells_When_TheChainEnds) {
    ExpectCells(ChainCases().at(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Cases, DecideWebTable, ::testing::Range<std::size_t>(0, ChainCases().size()),
                         [](const auto& info) {
                             return testing::CaseName(ChainCases().at(info.param).name);
                         });

TEST(DecideWeb, Should_NameTheNextUrl_When_ARedirectIsToBeFollowed) {
    EXPECT_EQ(DecideWeb(kStart, {}, 10).next, kStart);
    EXPECT_EQ(DecideWeb(kStart, {Answer(kStart, 307, "https://site.ru/a")}, 10).next, "https://site.ru/a");
    EXPECT_FALSE(DecideWeb(kStart, {Answer(kStart, 307, "https://site.ru/a")}, 0).next.has_value());
}

struct MirrorCase {
    const char* name;
    const char* final;
    std::string mirror;
};

std::vector<MirrorCase> MirrorCases() {
    return {
        {"same", "http://site.ru/", ""},
        {"case port and dot", "http://SITE.ru.:8080/x", ""},
        {"https", "https://site.ru/", "https"},
        {"https with port", "https://site.ru:8443/", "https"},
        {"www", "http://www.site.ru/", "www"},
        {"www over https", "https://www.site.ru/", "www"},
        {"another", "http://shop.site.ru/", "shop.site.ru"},
        {"double www", "http://www.www.site.ru/", "www.www.site.ru"},
        {"Cyrillic", "http://xn--80aswg.xn--p1ai/", "\xf1\xe0\xe9\xf2.\xf0\xf4"},
        {"Cyrillic in UTF-8", "http://\xd1\x81\xd0\xb0\xd0\xb9\xd1\x82.\xd1\x80\xd1\x84/",
         "\xf1\xe0\xe9\xf2.\xf0\xf4"},
        {"beyond the code page", "http://xn--mnchen-3ya.de/",
         "m\x98"
         "fc\x98nchen.de"},
        {"beyond the code page in UTF-8", "http://m\xc3\xbcnchen.de/",
         "m\x98"
         "fc\x98nchen.de"},
        {"mixed writing stays ASCII", "http://xn--pypal-4ve.com/", "xn--pypal-4ve.com"},
    };
}

class MirrorTable : public ::testing::TestWithParam<std::size_t> {};

TEST_P(MirrorTable, Should_NameWhereTheRedirectsEnd) {
    const MirrorCase c = MirrorCases().at(GetParam());
    EXPECT_EQ(MirrorCell(kStart, c.final), c.mirror);
}

INSTANTIATE_TEST_SUITE_P(Cases, MirrorTable, ::testing::Range<std::size_t>(0, MirrorCases().size()),
                         [](const auto& info) {
                             return testing::CaseName(MirrorCases().at(info.param).name);
                         });

// Redirects to hosts outside ASCII, driven as the fetch drives the decider: each request asks for the
// URL it named. The start is сайт.рф in its ASCII form; Locations carry raw UTF-8 or %-escapes.
constexpr const char* kIdnStart = "http://xn--80aswg.xn--p1ai/";
const std::string kSite = "\xd1\x81\xd0\xb0\xd0\xb9\xd1\x82";       // сайт, UTF-8
const std::string kSiteUpper = "\xd0\xa1\xd0\x90\xd0\x99\xd0\xa2";  // САЙТ
const std::string kRf = "\xd1\x80\xd1\x84";                         // рф
const std::string kRfUpper = "\xd0\xa0\xd0\xa4";                    // РФ
const std::string kSiteEscaped = "%D1%81%D0%B0%D0%B9%D1%82";        // сайт, %-escaped
const std::string kFriend = "\xd0\xb4\xd1\x80\xd1\x83\xd0\xb3";     // друг
const std::string kFriendEscaped = "%d0%b4%d1%80%d1%83%d0%b3";      // друг, lower-case escapes
const std::string kFriendShown = "\xe4\xf0\xf3\xe3.\xf0\xf4";       // друг.рф, Windows-1251

struct IdnCase {
    const char* name;
    std::vector<std::pair<int, std::string>> answers;  // status and Location of each request in turn
    std::string lastUrl;                               // what the last request asked for
    std::string http;
    std::string mirror;
};

std::vector<IdnCase> IdnCases() {
    return {
        {"raw UTF-8 same host",
         {{302, "http://" + kSite + "." + kRf + "/home"}, {200, ""}},
         "http://xn--80aswg.xn--p1ai/home",
         "200",
         ""},
        {"escaped same host",
         {{302, "http://" + kSiteEscaped + "." + kRf + "/home"}, {200, ""}},
         "http://xn--80aswg.xn--p1ai/home",
         "200",
         ""},
        {"upper case same host",
         {{302, "http://" + kSiteUpper + "." + kRfUpper + "/home"}, {200, ""}},
         "http://xn--80aswg.xn--p1ai/home",
         "200",
         ""},
        {"trailing dot same host",
         {{302, "http://" + kSite + "." + kRf + "./home"}, {200, ""}},
         "http://xn--80aswg.xn--p1ai./home",
         "200",
         ""},
        {"same host and path is a loop", {{301, "http://" + kSite + "." + kRf + "/"}}, kIdnStart, "loop", ""},
        {"same host over https",
         {{301, "https://" + kSite + "." + kRf + "/"}, {200, ""}},
         "https://xn--80aswg.xn--p1ai/",
         "200",
         "https"},
        {"same host with www",
         {{301, "http://www." + kSite + "." + kRf + "/"}, {200, ""}},
         "http://www.xn--80aswg.xn--p1ai/",
         "200",
         "www"},
        {"raw UTF-8 other host",
         {{302, "http://" + kFriend + "." + kRf + "/"}, {200, ""}},
         "http://xn--c1ab0bm.xn--p1ai/",
         "200",
         kFriendShown},
        {"escaped other host",
         {{302, "http://" + kFriendEscaped + ".xn--p1ai/"}, {200, ""}},
         "http://xn--c1ab0bm.xn--p1ai/",
         "200",
         kFriendShown},
        {"ASCII other host", {{302, "http://other.ru/"}, {200, ""}}, "http://other.ru/", "200", "other.ru"},
        {"host IDNA refuses", {{302, "http://\xff\xfe." + kRf + "/"}}, kIdnStart, "bad redirect", ""},
    };
}

class IdnRedirectTable : public ::testing::TestWithParam<std::size_t> {};

TEST_P(IdnRedirectTable, Should_CompareHostsInTheirAsciiForm) {
    const IdnCase c = IdnCases().at(GetParam());
    std::vector<WebHop> hops;
    WebVerdict verdict = DecideWeb(kIdnStart, hops, 10);
    for (const auto& [status, location] : c.answers) {
        ASSERT_TRUE(verdict.next.has_value());
        hops.push_back(Answer(*verdict.next, status, location));
        verdict = DecideWeb(kIdnStart, hops, 10);
    }
    EXPECT_FALSE(verdict.next.has_value());
    EXPECT_EQ(hops.back().url, c.lastUrl);
    EXPECT_EQ(verdict.http, c.http);
    EXPECT_EQ(verdict.mirror, c.mirror);
}

INSTANTIATE_TEST_SUITE_P(Cases, IdnRedirectTable, ::testing::Range<std::size_t>(0, IdnCases().size()),
                         [](const auto& info) { return testing::CaseName(IdnCases().at(info.param).name); });

// A redirect back to a URL asked for before is a loop only when the cookies are the same as then.
WebHop WithCookies(WebHop hop) {
    hop.cookiesChanged = true;
    return hop;
}

std::vector<ChainCase> CookieCases() {
    return {
        {"cookie set then back to the start",
         {WithCookies(Answer(kStart, 302, kStart)), Answer(kStart, 200)},
         "200",
         ""},
        {"no cookie back to the start", {Answer(kStart, 302, kStart)}, "loop", ""},
        {"the same cookie again is a loop",
         {WithCookies(Answer(kStart, 302, kStart)), Answer(kStart, 302, kStart)},
         "loop",
         ""},
        {"cookie set on the way back",
         {Answer(kStart, 302, "http://site.ru/a"), WithCookies(Answer("http://site.ru/a", 302, kStart)),
          Answer(kStart, 200)},
         "200",
         ""},
        {"cookie set where the loop began",
         {WithCookies(Answer(kStart, 302, "http://site.ru/a")), Answer("http://site.ru/a", 302, kStart),
          Answer(kStart, 200)},
         "200",
         ""},
        {"cookie set before the loop began",
         {WithCookies(Answer(kStart, 302, "http://site.ru/a")),
          Answer("http://site.ru/a", 302, "http://site.ru/b"),
          Answer("http://site.ru/b", 302, "http://site.ru/a")},
         "loop",
         ""},
        {"new cookies every time end at the bound",
         [] {
             std::vector<WebHop> hops;
             for (int i = 0; i < 11; ++i) {
                 hops.push_back(WithCookies(Answer(kStart, 302, kStart)));
             }
             return hops;
         }(),
         "loop", ""},
    };
}

class CookieChainTable : public ::testing::TestWithParam<std::size_t> {};

TEST_P(CookieChainTable, Should_FollowARedirectBack_When_TheCookiesChanged) {
    ExpectCells(CookieCases().at(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Cases, CookieChainTable, ::testing::Range<std::size_t>(0, CookieCases().size()),
                         [](const auto& info) {
                             return testing::CaseName(CookieCases().at(info.param).name);
                         });

TEST(MirrorCell, Should_SayWww_When_TheNameStartsWithWwwAndTheRedirectDropsIt) {
    EXPECT_EQ(MirrorCell("http://www.site.ru/", "https://site.ru/"), "www");
}

}  // namespace
}  // namespace vantle
