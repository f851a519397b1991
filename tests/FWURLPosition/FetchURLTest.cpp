// The rank services' direct fetch on libcurl, against the loopback TestServer (routed there with
// FetchOptions::connectTo, so the request bytes are those of production).
#include "FWURLPosition/FetchURL.h"

#include <gtest/gtest.h>

#include <asio.hpp>
#include <chrono>
#include <cstdlib>

#include "sim/TestServer.h"

namespace vantle {
namespace {

using sim::Reply;
using sim::TestServer;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

TEST(ExtractHost, Should_TakeTheHostOfAUrlOrABareDomain) {
    const std::pair<std::string, std::string> cases[] = {
        {"site.example", "site.example"},
        {"http://site.example", "site.example"},
        {"http://site.example/", "site.example"},
        {"http://site.example/tbr?q=info:http://x", "site.example"},
        {"site.example/path", "site.example"},
        {"/leading/slash", "/leading/slash"},
        {"http:///x", "/x"},
        {"", ""},
        // The first seven characters go once "http://" stands anywhere, whatever they are.
        {"see http://x/y", "p:"},
    };
    for (const auto& [text, host] : cases) {
        SCOPED_TRACE(text);
        std::string out = "stale";
        ExtractHost(text, out);
        EXPECT_EQ(out, host);
    }
}

class FetchURLWire : public ::testing::Test {
protected:
    FetchURLWire() {
        options.connectTo = server.authority();
        options.connectTimeoutMs = 5000;
        options.totalTimeoutMs = 5000;
    }

    std::string Fetch(std::string_view url) {
        std::string answer = "stale";
        FetchURL(url, answer, options);
        return answer;
    }

    TestServer server;
    FetchOptions options;
};

// Exactly these header lines, in this order, and no others.
std::string ExpectedRequest(std::string_view requestLine) {
    return std::string(requestLine) + "\r\n" +
           "Host: h.example\r\n"
           "User-Agent: VUSK\r\n"
           "Accept: text/*\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\n"
           "Cache-Control: no-cache\r\n"
           "Pragma: no-cache\r\n"
           "\r\n";
}

TEST_F(FetchURLWire, Should_SendTheFixedRequest_When_TheUrlHasPathAndQuery) {
    server.enqueue(Reply::http(200, "body"));
    EXPECT_EQ(Fetch("http://h.example/data?x=1"), "body");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], ExpectedRequest("GET /data?x=1 HTTP/1.1"));
}

TEST_F(FetchURLWire, Should_AskForSlash_When_TheUrlEndsWithTheHost) {
    server.enqueue(Reply::http(200, "root"));
    EXPECT_EQ(Fetch("http://h.example"), "root");
    EXPECT_EQ(server.requests().at(0), ExpectedRequest("GET / HTTP/1.1"));
}

TEST_F(FetchURLWire, Should_SendTheObjectNameAsItIs_When_ItHoldsASchemeAndDotSegments) {
    server.enqueue(Reply::http(200, "x"));
    EXPECT_EQ(Fetch("http://h.example/tbr?q=info:http://site.example/a/../b%20c"), "x");
    EXPECT_EQ(server.requests().at(0),
              ExpectedRequest("GET /tbr?q=info:http://site.example/a/../b%20c HTTP/1.1"));
}

// Whatever a typed name brings into the query text goes out as it stands: the checksum is made over it.
TEST_F(FetchURLWire, Should_SendTheObjectNameAsItIs_When_ItHoldsAFragmentMarkOrHighBytes) {
    const char* objects[] = {"tbr?q=info:http://a#b.example/", "tbr?q=info:#", "#top", "x?q=\xEF\xF0#\xE8"};
    for (const char* object : objects) {
        SCOPED_TRACE(object);
        server.enqueue(Reply::http(200, "x"));
        EXPECT_EQ(Fetch(std::string("http://h.example/") + object), "x");
        EXPECT_EQ(server.requests().back(), ExpectedRequest(std::string("GET /") + object + " HTTP/1.1"));
    }
}

TEST_F(FetchURLWire, Should_ReturnTheWholeBodyInOrder_When_ItArrivesInManyReads) {
    std::string body;
    for (int i = 0; i < 3000; ++i) {
        body += static_cast<char>('a' + i % 26);
    }
    server.enqueue(Reply().send(Reply::httpBytes(200, body)));
    EXPECT_EQ(Fetch("http://h.example/big"), body);
    server.enqueue(Reply().sendPieces(Reply::httpBytes(200, body), 500, milliseconds(2)));
    EXPECT_EQ(Fetch("http://h.example/big"), body);
}

TEST_F(FetchURLWire, Should_KeepEveryByte_When_TheBodyHoldsNulBytes) {
    const std::string body("a\0b\0\0c\xFF\r\n", 9);
    server.enqueue(Reply::http(200, body));
    EXPECT_EQ(Fetch("http://h.example/nul"), body);
}

TEST_F(FetchURLWire, Should_ReturnThePage_When_TheStatusIsAnError) {
    server.enqueue(Reply::http(404, "<html>Not Found</html>"));
    EXPECT_EQ(Fetch("http://h.example/missing"), "<html>Not Found</html>");
    server.enqueue(Reply::http(302, "moved", {{"Location", "http://h.example/elsewhere"}}));
    EXPECT_EQ(Fetch("http://h.example/redirect"), "moved");
    EXPECT_EQ(server.requestCount(), 2u) << "no redirect is followed";
}

TEST_F(FetchURLWire, Should_ReadChunkedAndUntilCloseBodies) {
    server.enqueue(Reply().send(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n"));
    EXPECT_EQ(Fetch("http://h.example/chunked"), "abcde");
    server.enqueue(Reply().send("HTTP/1.1 200 OK\r\n\r\nto the close").close());
    EXPECT_EQ(Fetch("http://h.example/close"), "to the close");
}

TEST_F(FetchURLWire, Should_NotDecompress_When_TheServerSaysTheBodyIsEncoded) {
    const std::string notReallyGzip = "\x1f\x8b raw bytes";
    server.enqueue(Reply::http(200, notReallyGzip, {{"Content-Encoding", "gzip"}}));
    EXPECT_EQ(Fetch("http://h.example/gz"), notReallyGzip);
}

TEST_F(FetchURLWire, Should_KeepWhatArrived_When_TheTransferStopsEarly) {
    server.enqueue(Reply().send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhalf").close());
    EXPECT_EQ(Fetch("http://h.example/short"), "half");
}

TEST_F(FetchURLWire, Should_FailEmpty_When_TheBodyPassesTheCap) {
    options.maxBody = 10;
    server.enqueue(Reply::http(200, std::string(10, 'a')));
    EXPECT_EQ(Fetch("http://h.example/fits"), std::string(10, 'a'));
    server.enqueue(Reply::http(200, std::string(11, 'a')));
    EXPECT_EQ(Fetch("http://h.example/announced"), "");
    server.enqueue(Reply().send("HTTP/1.1 200 OK\r\n\r\n" + std::string(4000, 'b')).close());
    EXPECT_EQ(Fetch("http://h.example/unannounced"), "");
}

TEST_F(FetchURLWire, Should_ReturnEmpty_When_TheHostCannotBeReached) {
    std::uint16_t closedPort = 0;
    {
        asio::io_context io;
        asio::ip::tcp::acceptor acceptor(io, asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
        closedPort = acceptor.local_endpoint().port();
    }
    options.connectTo = "127.0.0.1:" + std::to_string(closedPort);
    EXPECT_EQ(Fetch("http://h.example/x"), "");
}

TEST_F(FetchURLWire, Should_ReturnEmptyQuickly_When_TheNameDoesNotResolve) {
    for (const char* proxy : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
        if (std::getenv(proxy) != nullptr) {
            GTEST_SKIP() << "a proxy is configured: the look-up would be the proxy's";
        }
    }
    options.connectTo.clear();
    const auto start = Clock::now();
    EXPECT_EQ(Fetch("http://nonexistent.invalid/x"), "");
    EXPECT_LT(Clock::now() - start, milliseconds(6000));
}

TEST_F(FetchURLWire, Should_GiveUpWithinTheBound_When_TheServerStaysSilent) {
    options.totalTimeoutMs = 300;
    server.enqueue(Reply().hold());
    auto start = Clock::now();
    EXPECT_EQ(Fetch("http://h.example/silent"), "");
    EXPECT_LT(Clock::now() - start, milliseconds(5000));

    server.enqueue(Reply().send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\npart").hold());
    start = Clock::now();
    EXPECT_EQ(Fetch("http://h.example/stalls"), "part");
    EXPECT_LT(Clock::now() - start, milliseconds(5000));
}

TEST_F(FetchURLWire, Should_SendNothing_When_TheUrlHoldsControlBytesOrSpaces) {
    const std::string urls[] = {"http://h.example/a b", "http://h.example/a\r\nX: y", "http://h.example/\x7F",
                                "http://h ex/", std::string("http://h.example/\0", 18)};
    for (const std::string& url : urls) {
        SCOPED_TRACE(url);
        EXPECT_EQ(Fetch(url), "");
    }
    EXPECT_EQ(server.connections(), 0u);
}

TEST_F(FetchURLWire, Should_RouteThroughTheHosts_When_MadeByDirectFetcher) {
    ServiceHosts hosts;
    hosts.fetchConnectTo = server.authority();
    const RankFetcher fetch = DirectFetcher(hosts);
    server.enqueue(Reply::http(200, "Rank_1:1:5"));
    std::string answer = "stale";
    fetch("http://toolbarqueries.google.com/tbr?q=info:http://site.example", answer);
    EXPECT_EQ(answer, "Rank_1:1:5");
    const auto request = sim::ParseRequest(server.requests().at(0));
    EXPECT_EQ(request.target, "/tbr?q=info:http://site.example");
    ASSERT_NE(request.header("Host"), nullptr);
    EXPECT_EQ(*request.header("Host"), "toolbarqueries.google.com");
}

}  // namespace
}  // namespace vantle
