// The decider of the web check's cells, fed the hops as the fetch would.
#include <gtest/gtest.h>

#include "support/CaseName.h"

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

TEST_P(DecideWebTable, Should_GiveTheCells_When_TheChainEnds) {
    const ChainCase c = ChainCases().at(GetParam());
    const WebVerdict verdict = DecideWeb(kStart, c.hops, 10);
    EXPECT_FALSE(verdict.next.has_value());
    EXPECT_EQ(verdict.http, c.http);
    EXPECT_EQ(verdict.mirror, c.mirror);
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

TEST(MirrorCell, Should_SayWww_When_TheNameStartsWithWwwAndTheRedirectDropsIt) {
    EXPECT_EQ(MirrorCell("http://www.site.ru/", "https://site.ru/"), "www");
}

}  // namespace
}  // namespace vantle
