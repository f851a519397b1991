// The pure parts of the client: URL, request bytes, status and header lines, chunk sizes.
#include "http/HttpMessage.h"

#include <gtest/gtest.h>

#include "http/HttpErrors.h"

namespace vantle {
namespace {

struct UrlCase {
    std::string url;
    std::string host;
    std::uint16_t port;
    std::string target;
};

TEST(ParseHttpUrl, Should_SplitHostPortAndTarget_When_UrlIsWellFormed) {
    const UrlCase cases[] = {
        {"http://h.example/path?q=1", "h.example", 80, "/path?q=1"},
        {"http://h.example", "h.example", 80, "/"},
        {"http://h.example/", "h.example", 80, "/"},
        {"http://h.example:8080/x", "h.example", 8080, "/x"},
        {"http://h.example:80/x", "h.example", 80, "/x"},
        {"HTTP://H.Example/x", "H.Example", 80, "/x"},
        {"http://h.example?x=1", "h.example", 80, "/?x=1"},
        {"http://bar.example/u?ver=2&show=32&url=http://site.example", "bar.example", 80,
         "/u?ver=2&show=32&url=http://site.example"},
        {"http://h.example/%20a%zz/../b", "h.example", 80, "/%20a%zz/../b"},
        {"http://127.0.0.1:65535//a", "127.0.0.1", 65535, "//a"},
        {"http://h.example/\xD0\xB0", "h.example", 80, "/\xD0\xB0"},
    };
    for (const UrlCase& c : cases) {
        SCOPED_TRACE(c.url);
        const HttpUrl url = ParseHttpUrl(c.url);
        EXPECT_EQ(url.host, c.host);
        EXPECT_EQ(url.port, c.port);
        EXPECT_EQ(url.target, c.target);
    }
}

TEST(ParseHttpUrl, Should_Refuse_When_UrlIsBadOrCarriesControlBytes) {
    const std::string cases[] = {
        "",
        "h.example/x",
        "https://h.example/",
        "ftp://h.example/",
        "http:/h.example/",
        "http://",
        "http:///x",
        "http://:8080/x",
        "http://h.example:/x",
        "http://h.example:0/x",
        "http://h.example:65536/x",
        "http://h.example:8o/x",
        "http://h.example:123456/x",
        "http://user@h.example/x",
        "http://h.example/a b",
        "http://h.example/a\r\nX-Injected: 1",
        "http://h.example/a\nb",
        "http://h.example/a\tb",
        "http://h.example/a\x01",
        "http://h.example/a\x7F",
        std::string("http://h.example/a\0b", 20),
        "http://h.ex ample/",
        "http://h.example\r\nX: y/",
    };
    for (const std::string& url : cases) {
        SCOPED_TRACE(url);
        EXPECT_THROW(ParseHttpUrl(url), HttpBadUrl);
    }
}

TEST(BuildGetRequest, Should_WriteTheFixedHeadersInOrder_When_PortIs80) {
    EXPECT_EQ(BuildGetRequest(ParseHttpUrl("http://h.example/u?url=http://x")),
              "GET /u?url=http://x HTTP/1.1\r\n"
              "Content-Type: text/html\r\n"
              "Host: h.example\r\n"
              "Accept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
              "\r\n");
}

TEST(BuildGetRequest, Should_AddThePortToHost_When_PortIsNot80) {
    EXPECT_EQ(BuildGetRequest(ParseHttpUrl("http://h.example:8080")),
              "GET / HTTP/1.1\r\n"
              "Content-Type: text/html\r\n"
              "Host: h.example:8080\r\n"
              "Accept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
              "\r\n");
}

TEST(ParseStatusCode, Should_ReadTheDigitsAfterTheFirstSpace) {
    const std::pair<std::string, int> cases[] = {
        {"HTTP/1.1 200 OK", 200}, {"HTTP/1.0 404 Not Found", 404},
        {"HTTP/1.1 204", 204},    {"HTTP/1.1 100 Continue", 100},
        {"HTTP/1.1 2x0 OK", -1},  {"HTTP/1.1  200 OK", -1},
        {"HTTP/1.1", -1},         {"", -1},
        {"garbage", -1},          {"HTTP/1.1 99999999999 OK", -1},
    };
    for (const auto& [line, code] : cases) {
        SCOPED_TRACE(line);
        EXPECT_EQ(ParseStatusCode(line), code);
    }
}

TEST(ParseHeaderLine, Should_TrimNameAndValue_When_LineHasAColon) {
    const struct {
        std::string line;
        std::string name;
        std::string value;
    } cases[] = {
        {"Content-Length: 5", "Content-Length", "5"},
        {"X:y", "X", "y"},
        {"X :  y z \t", "X", "y z"},
        {"X:", "X", ""},
        {"Location: http://a:b/c", "Location", "http://a:b/c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto header = ParseHeaderLine(c.line);
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->name, c.name);
        EXPECT_EQ(header->value, c.value);
    }
    EXPECT_FALSE(ParseHeaderLine("no colon here").has_value());
    EXPECT_FALSE(ParseHeaderLine("").has_value());
}

TEST(AddHeaderLine, Should_JoinAContinuationLine_When_ItBeginsWithABlank) {
    ResponseHead head;
    AddHeaderLine(head, "X-Long: one");
    AddHeaderLine(head, "\t two");
    AddHeaderLine(head, "junk without colon");
    AddHeaderLine(head, "connection: Close");
    ASSERT_EQ(head.headers.size(), 2u);
    EXPECT_EQ(head.headers[0].value, "one two");
    ASSERT_NE(head.Find("Connection"), nullptr);
    EXPECT_EQ(*head.Find("CONNECTION"), "Close");
    EXPECT_EQ(head.Find("Location"), nullptr);
}

TEST(ParseChunkSize, Should_ReadHexAndIgnoreWhatFollowsASpaceOrSemicolon) {
    const std::pair<std::string, std::optional<std::uint64_t>> cases[] = {
        {"1a", 26},
        {"1A", 26},
        {"1a;name=value", 26},
        {"10 whatever", 16},
        {"0", 0},
        {"000", 0},
        {"ffffffffffffffff", 0xffffffffffffffffULL},
        {"1ffffffffffffffff", std::nullopt},
        {"", std::nullopt},
        {";ext", std::nullopt},
        {"zz", std::nullopt},
        {"-1", std::nullopt},
        {"0x10", std::nullopt},
    };
    for (const auto& [line, size] : cases) {
        SCOPED_TRACE(line);
        EXPECT_EQ(ParseChunkSize(line), size);
    }
}

TEST(ParseContentLength, Should_AcceptOnlyPlainDecimal) {
    EXPECT_EQ(ParseContentLength("5"), 5u);
    EXPECT_EQ(ParseContentLength(" 12 "), 12u);
    EXPECT_EQ(ParseContentLength("0"), 0u);
    EXPECT_FALSE(ParseContentLength("-1").has_value());
    EXPECT_FALSE(ParseContentLength("abc").has_value());
    EXPECT_FALSE(ParseContentLength("").has_value());
    EXPECT_FALSE(ParseContentLength("5, 5").has_value());
}

TEST(HasCloseToken, Should_FindCloseAsAWholeTokenInAnyCase) {
    EXPECT_TRUE(HasCloseToken("close"));
    EXPECT_TRUE(HasCloseToken("CLOSE"));
    EXPECT_TRUE(HasCloseToken("keep-alive, Close"));
    EXPECT_FALSE(HasCloseToken("closed"));
    EXPECT_FALSE(HasCloseToken("keep-alive"));
    EXPECT_FALSE(HasCloseToken(""));
}

}  // namespace
}  // namespace vantle
