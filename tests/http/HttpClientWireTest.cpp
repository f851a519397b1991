// HttpClient on the wire, against the loopback TestServer: the request bytes, every answer rule, the
// result variable rule, keep-alive, and the bounded failures.
#include "http/HttpClient.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>
#include <asio.hpp>
#include <chrono>
#include <thread>

#include "http/FailureKind.h"
#include "sim/TestServer.h"

namespace vantle {
namespace {

using httptest::CatchFailure;
using httptest::Caught;
using httptest::Failure;
using sim::Reply;
using sim::TestServer;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

std::string ExpectedRequest(std::string_view target, std::uint16_t port) {
    return "GET " + std::string(target) + " HTTP/1.1\r\n" + "Content-Type: text/html\r\n" +
           "Host: 127.0.0.1:" + std::to_string(port) + "\r\n" + "Accept: text/html, */*\r\n" +
           "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n" + "\r\n";
}

// A port on which nothing listens: bound once, then closed.
std::uint16_t ClosedPort() {
    asio::io_context io;
    asio::ip::tcp::acceptor acceptor(io, asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    return acceptor.local_endpoint().port();
}

class HttpClientWire : public ::testing::Test {
protected:
    HttpClientWire() {
        // Generous bounds so that a broken rule fails the test instead of hanging it.
        client.setConnectTimeout(milliseconds(5000));
        client.setReadTimeout(milliseconds(5000));
    }

    std::string Url(std::string_view target) const {
        return "http://" + server.authority() + std::string(target);
    }

    // Get into result, telling the failure.
    Caught Get(std::string_view target) {
        return CatchFailure([&] { client.Get(Url(target), result); });
    }

    TestServer server;
    HttpClient client;
    std::string result = "old";
};

TEST_F(HttpClientWire, Should_SendExactlyTheFixedRequestBytes) {
    server.enqueue(Reply::http(200, "ok"));
    ASSERT_EQ(Get("/path?q=1").failure, Failure::None);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], ExpectedRequest("/path?q=1", server.port()));
    EXPECT_EQ(result, "ok");
}

TEST_F(HttpClientWire, Should_SendTheTargetUnchanged_When_TheQueryHoldsASecondScheme) {
    server.enqueue(Reply::http(200, "ok"));
    const std::string target = "/u?ver=2&show=32&url=http://xn--80ak6aa92e.com/%7E";
    ASSERT_EQ(Get(target).failure, Failure::None);
    EXPECT_EQ(server.requests().at(0), ExpectedRequest(target, server.port()));
}

TEST_F(HttpClientWire, Should_AskForSlash_When_TheUrlHasNoPath) {
    server.enqueue(Reply::http(200, "ok"));
    ASSERT_EQ(Get("").failure, Failure::None);
    EXPECT_EQ(server.requests().at(0), ExpectedRequest("/", server.port()));
}

TEST_F(HttpClientWire, Should_RefuseTheUrlAndSendNothing_When_ItHoldsControlBytesOrSpaces) {
    const std::string targets[] = {"/a b",  "/a\r\nX-Injected: 1",  "/a\nb", "/a\tb", "/a\x7F",
                                   "/\x01", std::string("/a\0b", 4)};
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        EXPECT_EQ(Get(target).failure, Failure::BadUrl);
    }
    EXPECT_EQ(CatchFailure([&] { client.Get("https://" + server.authority() + "/", result); }).failure,
              Failure::BadUrl);
    EXPECT_EQ(server.connections(), 0u);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(result, "old");
}

// ---- Answer rules, with the answer sent whole, in pieces and one byte at a time ----

struct WireCase {
    const char* name;
    std::string answer;
    bool closeAfter;  // the server closes after sending the answer
    Failure failure;
    int code;
    std::string result;  // what the result variable holds afterwards (it starts as "old")
};

const WireCase kWireCases[] = {
    {"content length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", false, Failure::None, 0, "hello"},
    {"chunked with extensions",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;ext=1\r\nhello\r\n6 x\r\n world\r\n0\r\n\r\n",
     false, Failure::None, 0, "hello world"},
    {"until close", "HTTP/1.1 200 OK\r\n\r\nread to the close", true, Failure::None, 0, "read to the close"},
    {"no content keeps the variable", "HTTP/1.1 204 No Content\r\n\r\n", false, Failure::None, 0, "old"},
    {"empty body keeps the variable", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", false, Failure::None, 0,
     "old"},
    {"continue then ok", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", false,
     Failure::None, 0, "ok"},
    {"LF line ends", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", false, Failure::None, 0, "ok"},
    {"redirect", "HTTP/1.1 302 Found\r\nLocation: /target\r\nContent-Length: 5\r\n\r\nmoved", false,
     Failure::Protocol, 302, "old"},
    {"ok with location", "HTTP/1.1 200 OK\r\nLocation: /target\r\nContent-Length: 2\r\n\r\nok", false,
     Failure::Protocol, 200, "old"},
    {"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 8\r\n\r\nnot here", false, Failure::Protocol,
     404, "old"},
    {"not modified", "HTTP/1.1 304 Not Modified\r\n\r\n", false, Failure::Protocol, 304, "old"},
    {"server error until close", "HTTP/1.1 500 Oops\r\n\r\nerror page", true, Failure::Protocol, 500, "old"},
    {"closed before the status line", "", true, Failure::Closed, 0, "old"},
    {"closed inside the body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello", true, Failure::Closed, 0,
     "hello"},
    {"closed inside a chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n5\r\nwo",
     true, Failure::Closed, 0, "hellowo"},
    {"header line too long", "HTTP/1.1 200 OK\r\nX: " + std::string(16382, 'v') + "\r\n\r\n", false,
     Failure::LineTooLong, 0, "old"},
    {"header line of the longest length",
     "HTTP/1.1 200 OK\r\nX: " + std::string(16381, 'v') + "\r\nContent-Length: 1\r\n\r\nx", false,
     Failure::None, 0, "x"},
};

enum class Delivery { Whole, Pieces, Bytes };

class AnswerOnTheWire : public HttpClientWire, public ::testing::WithParamInterface<Delivery> {
protected:
    Reply Send(std::string bytes) const {
        switch (GetParam()) {
            case Delivery::Whole:
                return Reply().send(std::move(bytes));
            case Delivery::Pieces: {
                // Small pieces with a pause between them; the long-line answers in larger ones to stay quick.
                const std::size_t piece = bytes.size() > 1000 ? 997 : 7;
                return Reply().sendPieces(std::move(bytes), piece, milliseconds(1));
            }
            case Delivery::Bytes:
                return Reply().sendPieces(std::move(bytes), 1, milliseconds(0));
        }
        return {};
    }
};

TEST_P(AnswerOnTheWire, Should_FollowTheAnswerRules) {
    for (const WireCase& c : kWireCases) {
        SCOPED_TRACE(c.name);
        Reply reply = Send(c.answer);
        if (c.closeAfter) {
            reply.close();
        }
        server.enqueue(std::move(reply));
        result = "old";
        const std::size_t before = server.requestCount();
        const Caught caught = Get("/case");
        EXPECT_EQ(caught.failure, c.failure);
        EXPECT_EQ(caught.code, c.code);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(server.requestCount(), before + 1) << "one request per Get, no redirect followed";
    }
}

INSTANTIATE_TEST_SUITE_P(Delivery, AnswerOnTheWire,
                         ::testing::Values(Delivery::Whole, Delivery::Pieces, Delivery::Bytes),
                         [](const ::testing::TestParamInfo<Delivery>& info) {
                             switch (info.param) {
                                 case Delivery::Whole:
                                     return "Whole";
                                 case Delivery::Pieces:
                                     return "Pieces";
                                 case Delivery::Bytes:
                                     return "OneByteAtATime";
                             }
                             return "Unknown";
                         });

TEST_F(HttpClientWire, Should_CarryTheErrorBodyInTheExceptionOnly) {
    server.enqueue(Reply::http(404, "not here"));
    const Caught caught = Get("/missing");
    EXPECT_EQ(caught.failure, Failure::Protocol);
    EXPECT_EQ(caught.code, 404);
    EXPECT_EQ(caught.errorBody, "not here");
    EXPECT_EQ(result, "old");
}

TEST_F(HttpClientWire, Should_NotFetchTheTarget_When_TheAnswerRedirects) {
    server.enqueue(Reply::http(302, "", {{"Location", Url("/target")}}));
    server.enqueue(Reply::http(200, "target"));
    EXPECT_EQ(Get("/from").code, 302);
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(result, "old");
}

TEST_F(HttpClientWire, Should_ReadTheErrorBodyWithinTwoSeconds_When_TheServerStalls) {
    server.enqueue(Reply().send("HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\nabcde").hold());
    const auto start = Clock::now();
    const Caught caught = Get("/stall");
    const auto took = Clock::now() - start;
    EXPECT_EQ(caught.failure, Failure::Protocol);
    EXPECT_EQ(caught.errorBody, "abcde");
    EXPECT_GE(took, milliseconds(1500));
    EXPECT_LT(took, milliseconds(4000));
}

// ---- The result variable ----

TEST_F(HttpClientWire, Should_LeaveTheResultAlone_When_TheCallFailsBeforeAnyBodyByte) {
    const struct {
        const char* name;
        Reply reply;
        Failure failure;
    } cases[] = {
        {"not found", Reply::http(404, "error page"), Failure::Protocol},
        {"redirect", Reply::http(301, "moved", {{"Location", "http://elsewhere/"}}), Failure::Protocol},
        {"closed before status", Reply().close(), Failure::Closed},
        {"reset before status", Reply().reset(), Failure::Socket},
        // The end of stream is seen while reading the head; the body must not wait for it again.
        {"closed in the head", Reply().send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n").close(),
         Failure::Closed},
        {"reset after the head",
         Reply().send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n").sleep(milliseconds(50)).reset(),
         Failure::Socket},
    };
    client.setReadTimeout(milliseconds(3000));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.enqueue(c.reply);
        result = "old";
        EXPECT_EQ(Get("/x").failure, c.failure);
        EXPECT_EQ(result, "old");
    }
    result = "old";
    const std::uint16_t port = ClosedPort();
    EXPECT_EQ(
        CatchFailure([&] { client.Get("http://127.0.0.1:" + std::to_string(port) + "/", result); }).failure,
        Failure::Refused);
    EXPECT_EQ(result, "old");
}

TEST_F(HttpClientWire, Should_DeliverThePartialBodyThenFail_When_TheTransferBreaksOff) {
    server.enqueue(
        Reply().send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhel").sleep(milliseconds(100)).reset());
    EXPECT_EQ(Get("/reset").failure, Failure::Socket);
    EXPECT_EQ(result, "hel");

    result = "old";
    server.enqueue(Reply().send("HTTP/1.1 200 OK\r\n\r\nuntil").sleep(milliseconds(100)).reset());
    EXPECT_EQ(Get("/reset-until-close").failure, Failure::Socket);
    EXPECT_EQ(result, "until");

    result = "old";
    client.setReadTimeout(milliseconds(300));
    server.enqueue(Reply().send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\npart").hold());
    EXPECT_EQ(Get("/stall").failure, Failure::Timeout);
    EXPECT_EQ(result, "part");
}

// ---- Keep-alive ----

TEST_F(HttpClientWire, Should_ReuseTheConnection_When_TheAnswerDoesNotClose) {
    server.enqueue(Reply::http(200, "one"));
    server.enqueue(Reply::http(200, "two", {{"Connection", "keep-alive"}}));
    server.enqueue(
        Reply().send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nthree\r\n0\r\n\r\n"));
    for (const char* expected : {"one", "two", "three"}) {
        ASSERT_EQ(Get("/k").failure, Failure::None);
        EXPECT_EQ(result, expected);
    }
    EXPECT_EQ(server.connections(), 1u);
    EXPECT_EQ(server.requestCount(), 3u);
}

TEST_F(HttpClientWire, Should_OpenANewConnection_When_TheAnswerClosedIt) {
    const struct {
        const char* name;
        Reply reply;
    } cases[] = {
        {"Connection: close", Reply::http(200, "x", {{"Connection", "close"}})},
        {"Connection: Close, any case", Reply::http(200, "x", {{"connection", "Keep-Alive, CLOSE"}})},
        {"Proxy-Connection: close", Reply::http(200, "x", {{"Proxy-Connection", "Close"}})},
        {"body read to the close", Reply().send("HTTP/1.1 200 OK\r\n\r\nx").close()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer fresh;
        HttpClient http;
        fresh.enqueue(c.reply);
        fresh.enqueue(Reply::http(200, "y"));
        const std::string url = "http://" + fresh.authority() + "/";
        ASSERT_EQ(CatchFailure([&] { http.Get(url, result); }).failure, Failure::None);
        ASSERT_EQ(CatchFailure([&] { http.Get(url, result); }).failure, Failure::None);
        EXPECT_EQ(result, "y");
        EXPECT_EQ(fresh.connections(), 2u);
        if (std::string_view(c.name) != "body read to the close") {
            EXPECT_TRUE(TestServer::waitFor([&] { return fresh.clientCloses() == 1; }))
                << "the client closes the connection the answer asked to close";
        }
    }
}

TEST_F(HttpClientWire, Should_CloseFirst_When_TheNextRequestGoesToAnotherPort) {
    TestServer other;
    server.setHandler([](const sim::Request&) { return Reply::http(200, "here"); });
    other.setHandler([](const sim::Request&) { return Reply::http(200, "there"); });
    ASSERT_EQ(Get("/a").failure, Failure::None);
    ASSERT_EQ(CatchFailure([&] { client.Get("http://" + other.authority() + "/b", result); }).failure,
              Failure::None);
    EXPECT_EQ(result, "there");
    EXPECT_TRUE(TestServer::waitFor([&] { return server.clientCloses() == 1; }));
    ASSERT_EQ(Get("/c").failure, Failure::None);
    EXPECT_EQ(result, "here");
    EXPECT_EQ(server.connections(), 2u);
    EXPECT_EQ(other.connections(), 1u);
    EXPECT_TRUE(TestServer::waitFor([&] { return other.clientCloses() == 1; }));
}

TEST_F(HttpClientWire, Should_ReconnectOnceAndResend_When_TheKeptConnectionIsDead) {
    const struct {
        const char* name;
        Reply reply;
    } deaths[] = {
        {"closed", Reply::http(200, "one").close()},
        {"reset", Reply::http(200, "one").sleep(milliseconds(20)).reset()},
    };
    for (const auto& death : deaths) {
        SCOPED_TRACE(death.name);
        const std::size_t connections = server.connections();
        server.enqueue(death.reply);
        server.enqueue(Reply::http(200, "two"));
        ASSERT_EQ(Get("/one").failure, Failure::None);
        EXPECT_EQ(result, "one");
        std::this_thread::sleep_for(milliseconds(50));  // the death reaches the client's socket
        ASSERT_EQ(Get("/two").failure, Failure::None);
        EXPECT_EQ(result, "two");
        EXPECT_EQ(server.connections(), connections + 2);
        client.Disconnect();
    }
}

TEST_F(HttpClientWire, Should_RetryOnlyOnce_When_TheFreshConnectionDiesToo) {
    server.enqueue(Reply::http(200, "one").close());
    server.enqueue(Reply().close());
    ASSERT_EQ(Get("/one").failure, Failure::None);
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(Get("/two").failure, Failure::Closed);
    EXPECT_EQ(server.connections(), 2u);
    EXPECT_EQ(result, "one");
}

// The one resend is for a kept connection that died before any byte of the answer; an answer that began
// (an error status, a cut head or body) is the answer, on the same connection.
TEST_F(HttpClientWire, Should_NotResend_When_AKeptConnectionAnsweredSomething) {
    const struct {
        const char* name;
        Reply reply;
        Failure failure;
    } cases[] = {
        {"error status, then close", Reply::http(503, "busy").close(), Failure::Protocol},
        {"cut status line", Reply().send("HTTP/1.1 20").close(), Failure::Protocol},
        {"cut head", Reply().send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n").close(), Failure::Closed},
        {"cut body", Reply().send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nab").close(), Failure::Closed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer fresh;
        HttpClient http;
        fresh.enqueue(Reply::http(200, "one"));
        fresh.enqueue(c.reply);
        fresh.enqueue(Reply::http(200, "resent"));
        const std::string url = "http://" + fresh.authority() + "/";
        ASSERT_EQ(CatchFailure([&] { http.Get(url, result); }).failure, Failure::None);
        EXPECT_EQ(CatchFailure([&] { http.Get(url, result); }).failure, c.failure);
        EXPECT_NE(result, "resent");
        EXPECT_EQ(fresh.requestCount(), 2u);
        EXPECT_EQ(fresh.connections(), 1u);
    }
}

TEST_F(HttpClientWire, Should_NotRetry_When_AFreshConnectionClosesBeforeTheStatusLine) {
    server.enqueue(Reply().close());
    EXPECT_EQ(Get("/x").failure, Failure::Closed);
    EXPECT_EQ(server.connections(), 1u);
}

// ---- Failures with bounds ----

TEST_F(HttpClientWire, Should_FailAsRefused_When_NothingListens) {
    const std::uint16_t port = ClosedPort();
    EXPECT_EQ(
        CatchFailure([&] { client.Get("http://127.0.0.1:" + std::to_string(port) + "/", result); }).failure,
        Failure::Refused);
}

TEST_F(HttpClientWire, Should_FailAsHostNotFound_When_TheNameDoesNotResolve) {
    const auto start = Clock::now();
    EXPECT_EQ(CatchFailure([&] { client.Get("http://nonexistent.invalid/", result); }).failure,
              Failure::HostNotFound);
    EXPECT_LT(Clock::now() - start, milliseconds(6000));
    EXPECT_EQ(result, "old");
}

TEST_F(HttpClientWire, Should_TimeOutWithinTheBound_When_TheServerStaysSilent) {
    client.setReadTimeout(milliseconds(300));
    server.enqueue(Reply().hold());
    const auto start = Clock::now();
    EXPECT_EQ(Get("/silent").failure, Failure::Timeout);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, milliseconds(250));
    EXPECT_LT(took, milliseconds(5000));
    EXPECT_EQ(result, "old");
    // The client is usable again afterwards, on a new connection.
    server.enqueue(Reply::http(200, "again"));
    EXPECT_EQ(Get("/again").failure, Failure::None);
    EXPECT_EQ(result, "again");
    EXPECT_EQ(server.connections(), 2u);
}

TEST_F(HttpClientWire, Should_TimeOutPerWait_When_TheServerTricklesSlowerThanTheBound) {
    client.setReadTimeout(milliseconds(300));
    server.enqueue(Reply()
                       .send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n")
                       .sendPieces("abc", 1, milliseconds(1000)));
    const auto start = Clock::now();
    EXPECT_EQ(Get("/slow").failure, Failure::Timeout);
    EXPECT_LT(Clock::now() - start, milliseconds(5000));
    EXPECT_EQ(result, "a");
}

TEST_F(HttpClientWire, Should_TimeOutConnecting_When_TheListenQueueIsFull) {
    // A listener that never accepts, with its queue filled: the kernel drops further SYNs, so the
    // next connect waits (all on the loopback).
    asio::io_context io;
    asio::ip::tcp::acceptor acceptor(io);
    const asio::ip::tcp::endpoint any(asio::ip::make_address("127.0.0.1"), 0);
    acceptor.open(any.protocol());
    acceptor.bind(any);
    acceptor.listen(0);
    const auto endpoint = acceptor.local_endpoint();
    std::vector<int> fillers;
    for (int i = 0; i < 8; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ASSERT_GE(fd, 0);
        ::connect(fd, endpoint.data(), static_cast<socklen_t>(endpoint.size()));  // in progress or done
        fillers.push_back(fd);
    }
    struct CloseAll {
        std::vector<int>& fds;
        ~CloseAll() {
            for (int fd : fds) {
                ::close(fd);
            }
        }
    } closeAll{fillers};
    std::this_thread::sleep_for(milliseconds(100));
    client.setConnectTimeout(milliseconds(300));
    const auto start = Clock::now();
    const Failure failure =
        CatchFailure([&] {
            client.Get("http://127.0.0.1:" + std::to_string(endpoint.port()) + "/", result);
        }).failure;
    const auto took = Clock::now() - start;
    if (failure == Failure::None || failure == Failure::Closed) {
        GTEST_SKIP() << "this kernel completed the connection despite the full queue";
    }
    EXPECT_EQ(failure, Failure::Timeout);
    EXPECT_LT(took, milliseconds(5000));
}

TEST_F(HttpClientWire, Should_FailAndDeliverTheFirstCapBytes_When_TheBodyPassesTheCap) {
    client.setMaxBody(10);
    server.enqueue(Reply::http(200, std::string(10, 'a')));
    EXPECT_EQ(Get("/fits").failure, Failure::None);
    EXPECT_EQ(result, std::string(10, 'a'));
    const std::string answers[] = {
        Reply::httpBytes(200, "0123456789ABCDEF"),
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8\r\n01234567\r\n8\r\n89ABCDEF\r\n0\r\n\r\n",
        "HTTP/1.1 200 OK\r\n\r\n0123456789ABCDEF",
    };
    for (const std::string& answer : answers) {
        SCOPED_TRACE(answer);
        server.enqueue(Reply().send(answer).close());
        result = "old";
        EXPECT_EQ(Get("/big").failure, Failure::BodyTooLarge);
        EXPECT_EQ(result, "0123456789");
    }
}

}  // namespace
}  // namespace vantle
