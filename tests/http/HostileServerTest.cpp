// HttpClient against servers that misbehave on purpose: answers that never end, that trickle, that
// lie about their length, that break off, or that are not HTTP at all. With short time-outs and a
// small body cap, every request must end within a bounded time, hold no more than the cap, and fail
// as the answer rules say (the result variable untouched, or holding the part of a 2xx body that
// arrived).
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <chrono>
#include <string>
#include <vector>

#include "http/FailureKind.h"
#include "http/HttpClient.h"
#include "sim/Support.h"
#include "sim/TestServer.h"

namespace vantle {
namespace {

using sim::Repeat;

using httptest::CatchFailure;
using httptest::Failure;
using sim::Reply;
using sim::TestServer;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kCap = 64 * 1024;
constexpr auto kBound = std::chrono::seconds(10);  // generous: a hang, not a slow machine, fails it

// Many 4 KiB chunks: a chunked body far larger than the cap.
std::string EndlessChunks(std::size_t chunks) {
    const std::string data(4096, 'c');
    return Repeat("1000\r\n" + data + "\r\n", chunks);
}

struct HostileCase {
    const char* name;
    Reply reply;
    Failure failure;
    // What the result variable holds afterwards: "old" when untouched, else the bytes expected.
    std::string result;
};

std::vector<HostileCase> Cases() {
    const std::string okHead = "HTTP/1.1 200 OK\r\n";
    return {
        {"endless header lines",
         Reply().send(okHead + Repeat("X-Pad: " + std::string(100, 'p') + "\r\n", 40000)).hold(),
         Failure::BadAnswer, "old"},
        {"one endless header line", Reply().send(okHead + "X-Long: " + std::string(4 << 20, 'l')).hold(),
         Failure::LineTooLong, "old"},
        {"endless status line", Reply().send(std::string(4 << 20, 'H')).hold(), Failure::LineTooLong, "old"},
        {"endless chunk size line",
         Reply().send(okHead + "Transfer-Encoding: chunked\r\n\r\n" + std::string(1 << 20, 'f')).hold(),
         Failure::LineTooLong, "old"},
        {"endless chunked body",
         Reply().send(okHead + "Transfer-Encoding: chunked\r\n\r\n" + EndlessChunks(256)).hold(),
         Failure::BodyTooLarge, std::string(kCap, 'c')},
        {"endless body to the close", Reply().send(okHead + "\r\n" + std::string(4 << 20, 'b')).hold(),
         Failure::BodyTooLarge, std::string(kCap, 'b')},
        {"huge Content-Length, a little body, then silence",
         Reply().send(okHead + "Content-Length: 999999999999\r\n\r\nabc").hold(), Failure::Timeout, "abc"},
        {"huge Content-Length, then the close",
         Reply().send(okHead + "Content-Length: 999999999999\r\n\r\nabc").close(), Failure::Closed, "abc"},
        {"huge Content-Length and more bytes than the cap",
         Reply().send(okHead + "Content-Length: 999999999999\r\n\r\n" + std::string(1 << 20, 'z')).hold(),
         Failure::BodyTooLarge, std::string(kCap, 'z')},
        {"one byte a second in the status line",
         Reply().sendPieces("HTTP/1.1 200 OK\r\n\r\n", 1, milliseconds(1000)), Failure::Timeout, "old"},
        {"one byte a second in the body",
         Reply().send(okHead + "Content-Length: 10\r\n\r\n").sendPieces("0123456789", 1, milliseconds(1000)),
         Failure::Timeout, "0"},
        {"reset in the middle of the body",
         Reply().send(okHead + "Content-Length: 100\r\n\r\npartial").sleep(milliseconds(50)).reset(),
         Failure::Socket, "partial"},
        {"reset in the middle of a chunk",
         Reply()
             .send(okHead + "Transfer-Encoding: chunked\r\n\r\n64\r\nhalf")
             .sleep(milliseconds(50))
             .reset(),
         Failure::Socket, "half"},
        {"garbage status line", Reply().send("\x01\x02 garbage\r\n\r\nbody").close(), Failure::Protocol,
         "old"},
        {"status line of another protocol", Reply().send("SSH-2.0-OpenSSH_9.2\r\n").close(),
         Failure::Protocol, "old"},
        {"NUL bytes in the status line", Reply().send(std::string("HTTP/1.1 200\0 OK\r\n\r\n", 20)).close(),
         Failure::Protocol, "old"},
        {"bad chunk size", Reply().send(okHead + "Transfer-Encoding: chunked\r\n\r\nzz\r\n").hold(),
         Failure::BadAnswer, "old"},
        {"endless error body",
         Reply().send("HTTP/1.1 404 Not Found\r\n\r\n" + std::string(4 << 20, 'e')).hold(), Failure::Protocol,
         "old"},
        {"error body one byte at a time, forever",
         Reply()
             .send("HTTP/1.1 500 Oops\r\nContent-Length: 100000\r\n\r\n")
             .sendPieces(std::string(100000, 'e'), 1, milliseconds(100)),
         Failure::Protocol, "old"},
        {"endless 100 Continue answers", Reply().send(Repeat("HTTP/1.1 100 Continue\r\n\r\n", 100000)).hold(),
         Failure::BadAnswer, "old"},
    };
}

class HostileServer : public ::testing::TestWithParam<std::size_t> {
protected:
    HostileServer() {
        client.setConnectTimeout(milliseconds(1000));
        client.setReadTimeout(milliseconds(300));
        client.setMaxBody(kCap);
    }

    TestServer server;
    HttpClient client;
};

TEST_P(HostileServer, Should_FailWithinTheBoundAndHoldAtMostTheCap) {
    HostileCase c = Cases().at(GetParam());
    SCOPED_TRACE(c.name);
    server.enqueue(std::move(c.reply));
    std::string result = "old";
    const auto start = Clock::now();
    const auto caught = CatchFailure([&] { client.Get("http://" + server.authority() + "/u", result); });
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_EQ(caught.failure, c.failure);
    EXPECT_LE(result.size(), std::max<std::size_t>(kCap, 3));
    EXPECT_EQ(result, c.result);
    EXPECT_LE(caught.errorBody.size(), kCap);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileServer, ::testing::Range<std::size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return vantle::testing::CaseName(Cases().at(info.param).name);
                         });

// A server that trickles just faster than the read time-out never lets a single wait expire; the
// request as a whole must still end.
TEST(HostileServerTrickle, Should_EndWithinTheTotalBound_When_EveryWaitStaysUnderTheReadTimeOut) {
    TestServer server;
    server.enqueue(
        Reply().sendPieces("HTTP/1.1 200 OK\r\n" + Repeat("X-Slow: 1\r\n", 5000), 1, milliseconds(100)));
    HttpClient client;
    client.setConnectTimeout(milliseconds(1000));
    client.setReadTimeout(milliseconds(300));
    client.setTotalTimeout(milliseconds(2000));
    std::string result = "old";
    const auto start = Clock::now();
    const auto caught = CatchFailure([&] { client.Get("http://" + server.authority() + "/u", result); });
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_EQ(caught.failure, Failure::Timeout);
    EXPECT_EQ(result, "old");
}

TEST(HostileServerTrickle, Should_DeliverWhatArrived_When_ATricklingBodyRunsOutOfTotalTime) {
    TestServer server;
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";
    server.enqueue(Reply().send(head).sendPieces(std::string(100000, 't'), 1, milliseconds(50)));
    HttpClient client;
    client.setReadTimeout(milliseconds(300));
    client.setTotalTimeout(milliseconds(1000));
    std::string result = "old";
    const auto start = Clock::now();
    const auto caught = CatchFailure([&] { client.Get("http://" + server.authority() + "/u", result); });
    EXPECT_LT(Clock::now() - start, kBound);
    EXPECT_EQ(caught.failure, Failure::Timeout);
    EXPECT_FALSE(result.empty());
    EXPECT_EQ(result, std::string(result.size(), 't'));
}

// After any hostile answer the client is usable again: the next request opens a fresh connection.
TEST(HostileServerRecovery, Should_AnswerTheNextRequest_When_TheOneBeforeWasHostile) {
    for (std::size_t i = 0; i < Cases().size(); ++i) {
        HostileCase c = Cases()[i];
        SCOPED_TRACE(c.name);
        TestServer server;
        server.enqueue(std::move(c.reply));
        server.enqueue(Reply::http(200, "fine"));
        HttpClient client;
        client.setConnectTimeout(milliseconds(1000));
        client.setReadTimeout(milliseconds(300));
        client.setMaxBody(kCap);
        std::string result;
        const std::string url = "http://" + server.authority() + "/u";
        EXPECT_NE(CatchFailure([&] { client.Get(url, result); }).failure, Failure::None);
        result.clear();
        EXPECT_EQ(CatchFailure([&] { client.Get(url, result); }).failure, Failure::None);
        EXPECT_EQ(result, "fine");
    }
}

}  // namespace
}  // namespace vantle
