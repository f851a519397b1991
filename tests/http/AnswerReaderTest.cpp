// Reading answers from memory: every rule about the answer, with the bytes handed over
// whole, in small pieces and one at a time.
#include "http/AnswerReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "http/FailureKind.h"
#include "http/HttpErrors.h"

namespace vantle {
namespace {

// Hands out data in pieces of at most piece bytes; at the end either reports the close or fails.
class MemorySource : public ByteSource {
public:
    enum class End { Close, Reset, Timeout };

    MemorySource(std::string data, std::size_t piece, End end = End::Close)
        : data_(std::move(data)), piece_(piece), end_(end) {}

    std::size_t ReadSome(char* buffer, std::size_t size) override {
        if (pos_ == data_.size()) {
            if (end_ == End::Reset) {
                throw HttpSocketError("reset");
            }
            if (end_ == End::Timeout) {
                throw HttpTimeout("time-out");
            }
            return 0;
        }
        const std::size_t n = std::min({size, piece_, data_.size() - pos_});
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    void LimitWaits(std::chrono::milliseconds total) override { limited_ = total; }

    std::chrono::milliseconds limited_{-1};

private:
    std::string data_;
    std::size_t piece_;
    End end_;
    std::size_t pos_ = 0;
};

using httptest::Failure;

struct Outcome {
    Failure failure = Failure::None;
    std::string body;
    bool keepAlive = false;
    int code = 0;
    std::string errorBody;
};

Outcome Read(const std::string& bytes, std::size_t piece, MemorySource::End end = MemorySource::End::Close,
             AnswerLimits limits = {}) {
    MemorySource source(bytes, piece, end);
    LineReader reader(source);
    Outcome out;
    const httptest::Caught caught = httptest::CatchFailure([&] {
        const AnswerInfo info = ReadAnswer(reader, out.body, limits);
        out.keepAlive = info.keepAlive;
        out.code = info.head.code;
    });
    out.failure = caught.failure;
    if (caught.failure == Failure::Protocol) {
        out.code = caught.code;
        out.errorBody = caught.errorBody;
    }
    return out;
}

struct AnswerCase {
    const char* name;
    std::string bytes;
    Failure failure;
    int code;
    std::string body;  // the 2xx body, or the error body of a protocol failure
    bool keepAlive;
};

const std::string kLongValue(16384 - 3, 'v');  // "X: " + value is exactly 16384 bytes

const AnswerCase kCases[] = {
    {"content length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", Failure::None, 200, "hello",
     true},
    {"chunked with extensions",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;a=b\r\nhello\r\n6 ignored\r\n "
     "world\r\n0\r\n\r\n",
     Failure::None, 200, "hello world", true},
    {"chunked in any case",
     "HTTP/1.1 200 OK\r\ntransfer-encoding: gzip, Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", Failure::None, 200,
     "abc", true},
    {"until close", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\nall of it\r\nto the end", Failure::None, 200,
     "all of it\r\nto the end", false},
    {"content length zero", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nignored", Failure::None, 200, "",
     true},
    {"content length not a number", "HTTP/1.1 200 OK\r\nContent-Length: x\r\n\r\nignored", Failure::None, 200,
     "", true},
    {"content length zero then chunked",
     "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n",
     Failure::None, 200, "ab", true},
    {"content length before chunked",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\nabc", Failure::None, 200,
     "abc", true},
    {"no content", "HTTP/1.1 204 No Content\r\n\r\nignored", Failure::None, 204, "", true},
    {"continue then ok",
     "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\nX: y\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: "
     "2\r\n\r\nok",
     Failure::None, 200, "ok", true},
    {"bare LF line ends", "HTTP/1.1 200 OK\nContent-Length: 3\n\nabc", Failure::None, 200, "abc", true},
    {"binary body", std::string("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\na\0\r\n", 42), Failure::None,
     200, std::string("a\0\r\n", 4), true},
    {"close in the header lines", "HTTP/1.1 200 OK\r\nServer: x\r\nX-Half: y", Failure::None, 200, "", false},
    {"status line only", "HTTP/1.1 200 OK", Failure::None, 200, "", false},
    {"connection close", "HTTP/1.1 200 OK\r\nConnection: Close\r\nContent-Length: 1\r\n\r\nx", Failure::None,
     200, "x", false},
    {"proxy connection close", "HTTP/1.1 200 OK\r\nProxy-Connection: CLOSE\r\nContent-Length: 1\r\n\r\nx",
     Failure::None, 200, "x", false},
    {"connection keep-alive", "HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 1\r\n\r\nx",
     Failure::None, 200, "x", true},
    {"header line of the longest length",
     "HTTP/1.1 200 OK\r\nX: " + kLongValue + "\r\nContent-Length: 1\r\n\r\nx", Failure::None, 200, "x", true},
    {"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 8\r\n\r\nnot here", Failure::Protocol, 404,
     "not here", false},
    {"not found chunked", "HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\n4\r\noops\r\n0\r\n\r\n",
     Failure::Protocol, 500, "oops", false},
    {"redirect", "HTTP/1.1 302 Found\r\nLocation: http://elsewhere/\r\nContent-Length: 5\r\n\r\nmoved",
     Failure::Protocol, 302, "moved", false},
    {"ok with location", "HTTP/1.1 200 OK\r\nlocation: /x\r\nContent-Length: 2\r\n\r\nok", Failure::Protocol,
     200, "ok", false},
    {"not modified", "HTTP/1.1 304 Not Modified\r\n\r\n", Failure::Protocol, 304, "", false},
    {"switching protocols", "HTTP/1.1 101 Switching\r\n\r\n", Failure::Protocol, 101, "", false},
    {"unauthorized", "HTTP/1.1 401 Unauthorized\r\nContent-Length: 2\r\n\r\nno", Failure::Protocol, 401, "no",
     false},
    {"not http", "garbage\r\n\r\nmore", Failure::Protocol, -1, "more", false},
    {"error body cut off", "HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\nshort", Failure::Protocol,
     404, "short", false},
    {"nothing", "", Failure::Closed, 0, "", false},
    {"continue then nothing", "HTTP/1.1 100 Continue\r\n\r\n", Failure::Closed, 0, "", false},
    {"body cut off", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello", Failure::Closed, 0, "hello",
     false},
    {"chunk cut off", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\na\r\nwor",
     Failure::Closed, 0, "hellowor", false},
    {"chunks end without zero", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n",
     Failure::Closed, 0, "ab", false},
    {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\nxyz\r\n",
     Failure::BadAnswer, 0, "ab", false},
    {"status line too long", "HTTP/1.1 200 " + std::string(16384, 'a') + "\r\n\r\n", Failure::LineTooLong, 0,
     "", false},
    {"header line too long", "HTTP/1.1 200 OK\r\nX: " + kLongValue + "v\r\n\r\n", Failure::LineTooLong, 0, "",
     false},
    {"chunk size line too long",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;" + std::string(16384, 'e') +
         "\r\nx\r\n0\r\n\r\n",
     Failure::LineTooLong, 0, "", false},
};

class AnswerRules : public ::testing::TestWithParam<std::size_t> {};

TEST_P(AnswerRules, Should_FollowTheAnswerRules_When_BytesArriveInAnyPieces) {
    const std::size_t piece = GetParam();
    for (const AnswerCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const Outcome out = Read(c.bytes, piece);
        EXPECT_EQ(out.failure, c.failure);
        if (c.failure == Failure::Protocol) {
            EXPECT_EQ(out.code, c.code);
            EXPECT_EQ(out.errorBody, c.body);
            EXPECT_EQ(out.body, "") << "an error body never reaches the result";
        } else {
            EXPECT_EQ(out.body, c.body);
        }
        if (c.failure == Failure::None) {
            EXPECT_EQ(out.code, c.code);
            EXPECT_EQ(out.keepAlive, c.keepAlive);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pieces, AnswerRules, ::testing::Values(1, 2, 3, 7, 100, 1u << 20));

TEST(ReadAnswer, Should_KeepThePartialBody_When_TheConnectionIsResetOrTimesOutInTheBody) {
    const std::string bytes = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhel";
    Outcome reset = Read(bytes, 2, MemorySource::End::Reset);
    EXPECT_EQ(reset.failure, Failure::Socket);
    EXPECT_EQ(reset.body, "hel");
    Outcome timeout = Read(bytes, 2, MemorySource::End::Timeout);
    EXPECT_EQ(timeout.failure, Failure::Timeout);
    EXPECT_EQ(timeout.body, "hel");
    Outcome untilClose = Read("HTTP/1.1 200 OK\r\n\r\nabc", 1, MemorySource::End::Reset);
    EXPECT_EQ(untilClose.failure, Failure::Socket);
    EXPECT_EQ(untilClose.body, "abc");
}

TEST(ReadAnswer, Should_DeliverTheFirstCapBytesAndFail_When_TheBodyPassesTheCap) {
    AnswerLimits limits;
    limits.maxBody = 4;
    const std::string framings[] = {
        "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\n012\r\n7\r\n3456789\r\n0\r\n\r\n",
        "HTTP/1.1 200 OK\r\n\r\n0123456789",
    };
    for (const std::string& bytes : framings) {
        SCOPED_TRACE(bytes);
        const Outcome out = Read(bytes, 3, MemorySource::End::Close, limits);
        EXPECT_EQ(out.failure, Failure::BodyTooLarge);
        EXPECT_EQ(out.body, "0123");
    }
    EXPECT_EQ(
        Read("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n0123", 3, MemorySource::End::Close, limits).body,
        "0123");
}

TEST(ReadAnswer, Should_LimitTheWaitsForAnErrorBody) {
    MemorySource source("HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno", 100);
    LineReader reader(source);
    std::string body = "untouched";
    EXPECT_THROW(ReadAnswer(reader, body), EIdHTTPProtocolException);
    EXPECT_EQ(source.limited_, std::chrono::milliseconds(2000));
    EXPECT_EQ(body, "untouched");
}

TEST(ReadAnswer, Should_FailAsBadAnswer_When_TheHeadDoesNotEnd) {
    std::string endless = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 20000; ++i) {
        endless += "X-Filler: 0123456789012345678901234567890123456789012345678901234567890123\r\n";
    }
    EXPECT_EQ(Read(endless, 1u << 20).failure, Failure::BadAnswer);
    std::string continues;
    for (int i = 0; i < 50000; ++i) {
        continues += "HTTP/1.1 100 Continue\r\n\r\n";
    }
    EXPECT_EQ(Read(continues, 1u << 20).failure, Failure::BadAnswer);
}

TEST(LineReader, Should_CountTheBytesTakenFromTheSource) {
    MemorySource source("a\r\nbc\n", 2);
    LineReader reader(source);
    EXPECT_EQ(reader.BytesReceived(), 0u);
    EXPECT_EQ(reader.ReadLine(), "a");
    EXPECT_EQ(reader.ReadLine(), "bc");
    EXPECT_EQ(reader.ReadLine(), std::nullopt);
    EXPECT_EQ(reader.BytesReceived(), 6u);
}

// A socket at its end of stream may block on a second read instead of reporting the end again.
TEST(LineReader, Should_NotAskTheSourceAgain_When_ItHasEnded) {
    std::size_t calls = 0;
    struct Source : ByteSource {
        std::size_t& calls;
        explicit Source(std::size_t& c) : calls(c) {}
        std::size_t ReadSome(char* buffer, std::size_t size) override {
            ++calls;
            if (calls == 1) {
                const std::string_view head = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n";
                std::memcpy(buffer, head.data(), std::min(size, head.size()));
                return std::min(size, head.size());
            }
            if (calls == 2) {
                return 0;
            }
            throw HttpTimeout("asked again after the end");
        }
    } source(calls);
    LineReader reader(source);
    std::string body;
    EXPECT_THROW(ReadAnswer(reader, body), HttpConnectionClosed);
    EXPECT_EQ(calls, 2u);
}

TEST(LineReader, Should_KeepACrThatIsNotBeforeTheLf) {
    MemorySource source("a\rb\r\r\nlast\r", 100);
    LineReader reader(source);
    EXPECT_EQ(reader.ReadLine(), "a\rb\r");
    EXPECT_EQ(reader.ReadLine(), "last\r");
}

}  // namespace
}  // namespace vantle
