#include "FWURLPosition/RankAnswers.h"

#include <gtest/gtest.h>

#include "FWURLPosition/ToolbarChecksum.h"

namespace vantle {
namespace {

ServiceHosts SimHosts() {
    ServiceHosts hosts;
    hosts.toolbar = "toolbar.sim";
    hosts.alexa = "alexa.sim";
    return hosts;
}

TEST(PageRankRequest, QueryText_Should_PrefixHttp_When_ItIsMissing) {
    struct Case {
        const char* url;
        const char* expected;
    };
    const Case cases[] = {
        {"site.example", "info:http://site.example"},
        {"HTTP://Site.example", "info:HTTP://Site.example"},  // taken as prefixed, case kept
        {"http://site.example/", "info:http://site.example/"},
        {"http:/", "info:http://http:/"},  // shorter than seven characters
        {"", "info:http://"},
        {"https://site.example", "info:http://https://site.example"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PageRankQueryText(c.url), c.expected) << c.url;
    }
}

TEST(PageRankRequest, RequestUrl_Should_CarryTheChecksumAndTheRawQueryText) {
    const std::string text = "info:http://site.example";
    const auto checksum = ToolbarChecksum(TDynByteArray(text.begin(), text.end()));
    ASSERT_EQ(checksum, 0x55661751u);  // top bit clear
    EXPECT_EQ(PageRankRequestUrl(ServiceHosts{}, "site.example"),
              "http://toolbarqueries.google.com/tbr?client=navclient-auto-ff&ch=61432754001&features=Rank"
              "&q=info:http://site.example");
}

TEST(PageRankRequest, RequestUrl_Should_WriteAMinusAfterTheSix_When_TheTopBitIsSet) {
    const std::string text = "info:http://example.com";
    ASSERT_EQ(ToolbarChecksum(TDynByteArray(text.begin(), text.end())), 0x9F126DEFu);
    EXPECT_EQ(PageRankRequestUrl(SimHosts(), "example.com"),
              "http://toolbar.sim/tbr?client=navclient-auto-ff&ch=6-1626182161&features=Rank"
              "&q=info:http://example.com");
    EXPECT_EQ(PageRankRequestUrl(SimHosts(), "xn--e1afmkfd.xn--p1ai"),
              "http://toolbar.sim/tbr?client=navclient-auto-ff&ch=6-2084693995&features=Rank"
              "&q=info:http://xn--e1afmkfd.xn--p1ai");
}

TEST(PageRankAnswer, Should_ReadTheRank) {
    struct Case {
        const char* answer;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"Rank_1:1:5", 5},
        {"Rank_1:2:10", 10},
        {"Rank_1:1:0", 0},  // a valid rank of its own
        {"rank_1:1:3", 3},  // any letter case
        {"RaNk_1:1:4", 4},
        {"Rank_1:1:7\n", 7},  // only the digit and a following "0" count
        {"Rank_1:1:75", 7},
        {"<p>x</p>Rank_1:1:6 Rank_1:1:2", 6},
        {"Rank_1:", -1},  // nothing left past the colon
        {"Rank_1:1:", -1},
        {"Rank_", -1},
        {"Rank_1", -1},
        {"Rank_1:1:x", -1},
        {"Rank_1:1: 5", -1},  // a blank alone is no number
        {"Rank_123", 3},      // no colon: the text after the two characters stands
        {"", -1},
        {"<html>not found</html>", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParsePageRank(c.answer), c.expected) << c.answer;
    }
}

TEST(AlexaRequest, Should_AskForTheHostOnly) {
    struct Case {
        const char* url;
        const char* expected;
    };
    const Case cases[] = {
        {"site.example", "http://data.alexa.com/data?cli=10&dat=snbamz&url=site.example"},
        {"http://www.site.example/page", "http://data.alexa.com/data?cli=10&dat=snbamz&url=www.site.example"},
        {"http://site.example", "http://data.alexa.com/data?cli=10&dat=snbamz&url=site.example"},
        {"http://site.example/tbr?q=info:http://x",
         "http://data.alexa.com/data?cli=10&dat=snbamz&url=site.example"},
        {"/site.example", "http://data.alexa.com/data?cli=10&dat=snbamz&url=/site.example"},
        {"site.example/page", "http://data.alexa.com/data?cli=10&dat=snbamz&url=site.example"},
        // "http://" anywhere takes the first seven characters off, whatever they are.
        {"abcdefghttp://x", "http://data.alexa.com/data?cli=10&dat=snbamz&url=http:"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AlexaRequestUrl(ServiceHosts{}, c.url), c.expected) << c.url;
    }
    EXPECT_EQ(AlexaRequestUrl(SimHosts(), "site.example"),
              "http://alexa.sim/data?cli=10&dat=snbamz&url=site.example");
}

TEST(AlexaAnswer, Should_ReadTheReachRank) {
    struct Case {
        const char* answer;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"<REACH RANK=\"4711\"/>", 4711},
        {"<REACH RANK=\"12\"/><REACH RANK=\"34\"/>", 12},  // the first marker
        {"<reach rank=\"4711\"/>", -1},                    // exact case only
        {"<REACH RANK=\"\"/>", -1},                        // empty value
        {"<REACH RANK=\"4711", -1},                        // no closing quote
        {"<REACH RANK=\"47a\"/>", -1},
        {"<REACH RANK=\"99999999999\"/>", -1},  // outside 32 bits
        {"<REACH RANK=\"-3\"/>", -3},           // stored without a range check
        {"<REACH RANK=\"$10\"/>", 16},
        {"<REACH RANK=\" 8\"/>", 8},
        {"", -1},
        {"<REACH  RANK=\"5\"/>", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseAlexaRank(c.answer), c.expected) << c.answer;
    }
}

}  // namespace
}  // namespace vantle
