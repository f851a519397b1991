// The loopback test server itself, seen from a raw socket: recording, scripted steps, handler mode,
// keep-alive, and a clean stop whatever its clients do.
#include "sim/TestServer.h"

#include <gtest/gtest.h>

#include <asio.hpp>
#include <chrono>
#include <future>
#include <thread>

namespace vantle::sim {
namespace {

using std::chrono::milliseconds;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// A blocking client socket for the tests.
class RawClient {
public:
    explicit RawClient(std::uint16_t port) : socket_(io_) {
        socket_.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    }

    void Send(std::string_view bytes) { asio::write(socket_, asio::buffer(bytes.data(), bytes.size())); }

    // Reads until count bytes arrived or the stream ended.
    std::string Read(std::size_t count) {
        std::string out(count, '\0');
        asio::error_code ec;
        const std::size_t n = asio::read(socket_, asio::buffer(out), ec);
        out.resize(n);
        return out;
    }

    // Reads to the end; the error that ended the stream goes to ec.
    std::string ReadToEnd(asio::error_code& ec) {
        std::string out;
        std::array<char, 4096> chunk{};
        for (;;) {
            const std::size_t n = socket_.read_some(asio::buffer(chunk), ec);
            out.append(chunk.data(), n);
            if (ec) {
                return out;
            }
        }
    }

private:
    asio::io_context io_;
    tcp::socket socket_;
};

const std::string kGet = "GET /a?b=c HTTP/1.1\r\nHost: x\r\nX-Two:   spaced value \r\n\r\n";

TEST(ParseRequest, Should_SplitRequestLineAndHeaders) {
    const Request r = ParseRequest(kGet);
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/a?b=c");
    EXPECT_EQ(r.version, "HTTP/1.1");
    ASSERT_EQ(r.headers.size(), 2u);
    EXPECT_EQ(r.headers[0], (std::pair<std::string, std::string>{"Host", "x"}));
    EXPECT_EQ(r.headers[1], (std::pair<std::string, std::string>{"X-Two", "spaced value"}));
    ASSERT_NE(r.header("x-two"), nullptr);
    EXPECT_EQ(r.header("Missing"), nullptr);
    EXPECT_EQ(r.raw, kGet);
}

TEST(TestServer, Should_RecordRawRequestsAndPlayQueuedReplies) {
    TestServer server;
    EXPECT_NE(server.port(), 0);
    server.enqueue(Reply::http(200, "first"));
    server.enqueue(Reply().send("raw bytes").thenClose());
    RawClient client(server.port());
    client.Send(kGet);
    const std::string first = Reply::httpBytes(200, "first");
    EXPECT_EQ(client.Read(first.size()), first);
    client.Send("GET /2 HTTP/1.1\n\n");
    asio::error_code ec;
    EXPECT_EQ(client.ReadToEnd(ec), "raw bytes");
    EXPECT_EQ(ec, asio::error::eof);
    EXPECT_EQ(server.requests(), (std::vector<std::string>{kGet, "GET /2 HTTP/1.1\n\n"}));
    EXPECT_EQ(server.connections(), 1u);
}

TEST(TestServer, Should_AnswerPipelinedRequestsInOrder) {
    TestServer server;
    server.setHandler([](const Request& r) { return Reply().send("<" + r.target + ">"); });
    RawClient client(server.port());
    client.Send("GET /1 HTTP/1.1\r\n\r\nGET /2 HTTP/1.1\r\n\r\n");
    EXPECT_EQ(client.Read(8), "</1></2>");
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST(TestServer, Should_AskTheHandler_When_NoQueuedReplyIsLeft) {
    TestServer server;
    std::vector<Request> seen;
    server.setHandler([&seen](const Request& r) {
        seen.push_back(r);
        return Reply::http(200, r.target);
    });
    server.enqueue(Reply().send("queued;"));
    RawClient client(server.port());
    client.Send(kGet);
    EXPECT_EQ(client.Read(7), "queued;");
    client.Send(kGet);
    const std::string expected = Reply::httpBytes(200, "/a?b=c");
    EXPECT_EQ(client.Read(expected.size()), expected);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(*seen[0].header("Host"), "x");
}

TEST(TestServer, Should_AnswerWith500_When_TheHandlerThrows) {
    TestServer server;
    server.setHandler([](const Request&) -> Reply { throw std::runtime_error("broken"); });
    RawClient client(server.port());
    client.Send(kGet);
    asio::error_code ec;
    EXPECT_EQ(client.ReadToEnd(ec), Reply::httpBytes(500, "broken"));
}

TEST(TestServer, Should_Close_When_NothingIsScripted) {
    TestServer server;
    RawClient client(server.port());
    client.Send(kGet);
    asio::error_code ec;
    EXPECT_EQ(client.ReadToEnd(ec), "");
    EXPECT_EQ(ec, asio::error::eof);
}

TEST(TestServer, Should_SendInPiecesWithPauses) {
    TestServer server;
    server.enqueue(
        Reply().sendPieces("abcdef", 2, milliseconds(30)).sleep(milliseconds(30)).send("!").close());
    RawClient client(server.port());
    const auto start = Clock::now();
    client.Send(kGet);
    asio::error_code ec;
    EXPECT_EQ(client.ReadToEnd(ec), "abcdef!");
    EXPECT_EQ(ec, asio::error::eof);
    EXPECT_GE(Clock::now() - start, milliseconds(80));
}

TEST(TestServer, Should_ResetTheConnection_When_TheReplySaysSo) {
    TestServer server;
    server.enqueue(Reply().send("partial").sleep(milliseconds(50)).reset());
    RawClient client(server.port());
    client.Send(kGet);
    asio::error_code ec;
    EXPECT_EQ(client.ReadToEnd(ec), "partial");
    EXPECT_EQ(ec, asio::error::connection_reset);
}

TEST(TestServer, Should_CountConnectionsAndClientCloses) {
    TestServer server;
    {
        RawClient a(server.port());
        RawClient b(server.port());
        EXPECT_TRUE(TestServer::waitFor([&] { return server.connections() == 2; }));
    }
    EXPECT_TRUE(TestServer::waitFor([&] { return server.clientCloses() == 2; }));
}

TEST(TestServer, Should_StopPromptly_When_ClientsAreSilentHeldOrMidReply) {
    auto stopped = std::async(std::launch::async, [] {
        auto server = std::make_unique<TestServer>();
        server->enqueue(Reply().send("x").hold());
        server->enqueue(Reply().sendPieces(std::string(1000, 'y'), 1, milliseconds(50)));
        RawClient silent(server->port());  // connects and never sends
        RawClient held(server->port());
        held.Send(kGet);
        EXPECT_EQ(held.Read(1), "x");
        RawClient trickled(server->port());
        trickled.Send(kGet);
        EXPECT_EQ(trickled.Read(1), "y");
        const auto start = Clock::now();
        server.reset();
        return Clock::now() - start;
    });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "the server hangs";
    EXPECT_LT(stopped.get(), milliseconds(2000));
}

TEST(TestServer, Should_EndHeldConnections_When_Destroyed) {
    auto server = std::make_unique<TestServer>();
    server->enqueue(Reply().hold());
    RawClient client(server->port());
    client.Send(kGet);
    EXPECT_TRUE(TestServer::waitFor([&] { return server->requestCount() == 1; }));
    server.reset();
    asio::error_code ec;
    client.ReadToEnd(ec);
    EXPECT_TRUE(ec == asio::error::eof || ec == asio::error::connection_reset) << ec.message();
}

}  // namespace
}  // namespace vantle::sim
