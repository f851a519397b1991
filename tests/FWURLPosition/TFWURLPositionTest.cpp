#include "FWURLPosition/TFWURLPosition.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <vector>

#include "FWURLPosition/RankAnswers.h"

namespace vantle {
namespace {

// Answers by the path of the request and records every URL asked for.
struct RecordingFetcher {
    std::vector<std::string> urls;
    std::string pageRankAnswer = "Rank_1:1:5";
    std::string alexaAnswer = "<REACH RANK=\"4711\"/>";

    RankFetcher Fetcher() {
        return [this](std::string_view url, std::string& answer) {
            urls.emplace_back(url);
            answer = url.find("/tbr?") != std::string_view::npos ? pageRankAnswer : alexaAnswer;
        };
    }
};

ServiceHosts SimHosts() {
    ServiceHosts hosts;
    hosts.toolbar = "toolbar.sim";
    hosts.alexa = "alexa.sim";
    return hosts;
}

TEST(RankQueryObject, Should_StartWithBothResultsUnknown) {
    const TFWURLPosition rank(SimHosts(), RankFetcher{});
    EXPECT_EQ(rank.PageRank, -1);
    EXPECT_EQ(rank.AlexaRank, -1);
}

TEST(RankQueryObject, Query_Should_AskAlexaBeforePageRank_When_BothKindsAreGiven) {
    RecordingFetcher fetcher;
    TFWURLPosition rank(SimHosts(), fetcher.Fetcher());
    rank.Query("site.example", TRankKinds{rkAlexa | rkPageRank});
    EXPECT_EQ(fetcher.urls, (std::vector<std::string>{AlexaRequestUrl(SimHosts(), "site.example"),
                                                      PageRankRequestUrl(SimHosts(), "site.example")}));
    EXPECT_EQ(rank.AlexaRank, 4711);
    EXPECT_EQ(rank.PageRank, 5);
}

TEST(RankQueryObject, Query_Should_DoNothing_When_NoKindIsGiven) {
    RecordingFetcher fetcher;
    TFWURLPosition rank(SimHosts(), fetcher.Fetcher());
    rank.PageRank = 3;
    rank.AlexaRank = 9;
    rank.Query("site.example", TRankKinds{});
    EXPECT_TRUE(fetcher.urls.empty());
    EXPECT_EQ(rank.PageRank, 3);
    EXPECT_EQ(rank.AlexaRank, 9);
}

TEST(RankQueryObject, Query_Should_SetOnlyItsOwnField) {
    RecordingFetcher fetcher;
    TFWURLPosition rank(SimHosts(), fetcher.Fetcher());
    rank.AlexaRank = 9;
    rank.Query("site.example", TRankKinds{rkPageRank});
    EXPECT_EQ(rank.PageRank, 5);
    EXPECT_EQ(rank.AlexaRank, 9);
    ASSERT_EQ(fetcher.urls.size(), 1u);
    EXPECT_EQ(fetcher.urls[0],
              "http://toolbar.sim/tbr?client=navclient-auto-ff&ch=61432754001&features=Rank"
              "&q=info:http://site.example");

    rank.PageRank = 2;
    rank.Query("http://www.site.example/page", TRankKinds{rkAlexa});
    EXPECT_EQ(rank.AlexaRank, 4711);
    EXPECT_EQ(rank.PageRank, 2);
    EXPECT_EQ(fetcher.urls.back(), "http://alexa.sim/data?cli=10&dat=snbamz&url=www.site.example");
}

TEST(RankQueryObject, Query_Should_SetMinusOne_When_TheAnswerIsUnusable) {
    RecordingFetcher fetcher;
    fetcher.pageRankAnswer = "";  // the fetch failed
    fetcher.alexaAnswer = "<html>404</html>";
    TFWURLPosition rank(SimHosts(), fetcher.Fetcher());
    rank.PageRank = 4;
    rank.AlexaRank = 4;
    rank.Query("site.example", TRankKinds{rkAlexa | rkPageRank});
    EXPECT_EQ(rank.PageRank, -1);
    EXPECT_EQ(rank.AlexaRank, -1);
}

TEST(RankQueryObject, Query_Should_SetMinusOne_When_TheFetcherRaises) {
    int calls = 0;
    TFWURLPosition rank(SimHosts(), [&calls](std::string_view, std::string& answer) {
        ++calls;
        answer = "Rank_1:1:5";  // a part that arrived before the failure counts for nothing
        throw std::runtime_error("connection reset");
    });
    rank.PageRank = 4;
    rank.AlexaRank = 4;
    EXPECT_NO_THROW(rank.Query("site.example", TRankKinds{rkAlexa | rkPageRank}));
    EXPECT_EQ(calls, 2);  // the failed Alexa query does not stop the PageRank query
    EXPECT_EQ(rank.PageRank, -1);
    EXPECT_EQ(rank.AlexaRank, -1);
}

TEST(RankQueryObject, Query_Should_SetMinusOne_When_ThereIsNoFetcher) {
    TFWURLPosition rank(SimHosts(), RankFetcher{});
    rank.PageRank = 4;
    EXPECT_NO_THROW(rank.Query("site.example", TRankKinds{rkPageRank}));
    EXPECT_EQ(rank.PageRank, -1);
}

}  // namespace
}  // namespace vantle
