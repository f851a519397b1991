// The direct fetch against servers that misbehave on purpose, with short time-outs and a small cap:
// every fetch ends within a bounded time and never holds more than the cap. Its answer rules: a
// transfer that fails before the body leaves the answer empty, one that breaks off keeps what
// arrived, and a body larger than the cap gives the empty answer.
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <chrono>
#include <string>
#include <vector>

#include "FWURLPosition/FetchURL.h"
#include "FWURLPosition/TFWURLPosition.h"
#include "sim/Support.h"
#include "sim/TestServer.h"

namespace vantle {
namespace {

using sim::Repeat;

using sim::Reply;
using sim::TestServer;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kCap = 64 * 1024;
constexpr auto kBound = std::chrono::seconds(10);

struct HostileFetch {
    const char* name;
    Reply reply;
    std::string answer;           // expected answer, exactly
    bool prefixOfAnswer = false;  // the answer is a non-empty part from the start of `answer` instead
};

std::vector<HostileFetch> Cases() {
    const std::string okHead = "HTTP/1.1 200 OK\r\n";
    const std::string chunk = "1000\r\n" + std::string(4096, 'c') + "\r\n";
    return {
        {"endless header lines",
         Reply().send(okHead + Repeat("X-Pad: " + std::string(100, 'p') + "\r\n", 40000)).hold(), ""},
        {"one endless header line", Reply().send(okHead + "X-Long: " + std::string(4 << 20, 'l')).hold(), ""},
        {"endless status line", Reply().send(std::string(4 << 20, 'H')).hold(), ""},
        {"endless chunked body",
         Reply().send(okHead + "Transfer-Encoding: chunked\r\n\r\n" + Repeat(chunk, 256)).hold(), ""},
        {"endless body to the close", Reply().send(okHead + "\r\n" + std::string(4 << 20, 'b')).hold(), ""},
        {"huge Content-Length", Reply().send(okHead + "Content-Length: 999999999999\r\n\r\nabc").hold(), ""},
        {"one byte a second in the status line",
         Reply().sendPieces(okHead + "Content-Length: 2\r\n\r\nok", 1, milliseconds(1000)), ""},
        {"one byte a second in the body",
         Reply().send(okHead + "Content-Length: 10\r\n\r\n").sendPieces("0123456789", 1, milliseconds(1000)),
         "0123456789", true},
        {"reset in the middle of the body",
         Reply().send(okHead + "Content-Length: 100\r\n\r\npartial").sleep(milliseconds(50)).reset(),
         "partial"},
        {"garbage status line", Reply().send("\x01\x02 garbage\r\n\r\nbody").close(), ""},
        {"NUL bytes in the status line",
         Reply().send(std::string("HTTP/1.1 200\0 OK\r\n\r\nbody", 24)).close(), ""},
        {"NUL bytes in a header",
         Reply().send(okHead + std::string("X-A: a\0b\r\nContent-Length: 4\r\n\r\nbody", 34)).close(), ""},
        {"NUL bytes in a body that breaks off",
         Reply()
             .send(okHead + "Content-Length: 100\r\n\r\n" + std::string("a\0b\0", 4))
             .sleep(milliseconds(50))
             .reset(),
         std::string("a\0b\0", 4)},
    };
}

class FetchURLHostile : public ::testing::TestWithParam<std::size_t> {
protected:
    FetchURLHostile() {
        options.connectTo = server.authority();
        options.connectTimeoutMs = 1000;
        options.totalTimeoutMs = 2000;
        options.maxBody = kCap;
    }

    TestServer server;
    FetchOptions options;
};

TEST_P(FetchURLHostile, Should_EndWithinTheBoundAndHoldAtMostTheCap) {
    HostileFetch c = Cases().at(GetParam());
    SCOPED_TRACE(c.name);
    server.enqueue(std::move(c.reply));
    std::string answer = "stale";
    const auto start = Clock::now();
    FetchURL("http://rank.example/data?x=1", answer, options);
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_LE(answer.size(), kCap);
    if (c.prefixOfAnswer) {
        EXPECT_FALSE(answer.empty());
        EXPECT_LT(answer.size(), c.answer.size());
        EXPECT_EQ(answer, c.answer.substr(0, answer.size()));
    } else {
        EXPECT_EQ(answer, c.answer);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FetchURLHostile, ::testing::Range<std::size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return vantle::testing::CaseName(Cases().at(info.param).name);
                         });

// What the rank object makes of a hostile answer: no value, -1, within the bound.
TEST(FetchURLHostileQuery, Should_GivePageRankMinusOne_When_TheServiceTricklesForever) {
    TestServer server;
    server.enqueue(
        Reply().sendPieces("HTTP/1.1 200 OK\r\n" + Repeat("X-Slow: 1\r\n", 5000), 1, milliseconds(100)));
    FetchOptions options;
    options.connectTo = server.authority();
    options.connectTimeoutMs = 1000;
    options.totalTimeoutMs = 1000;
    ServiceHosts hosts;
    TFWURLPosition rank(
        hosts, [options](std::string_view url, std::string& answer) { FetchURL(url, answer, options); });
    const auto start = Clock::now();
    rank.Query("site.test", TRankKinds{rkPageRank});
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_EQ(rank.PageRank, -1);
}

}  // namespace
}  // namespace vantle
