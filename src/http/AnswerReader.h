#pragma once
// Reading one HTTP answer from a stream of bytes: lines, body framings, and the rules for
// what a status means. The stream is abstract, so the whole reading runs on bytes from memory in the
// tests and the fuzzer, and on a socket in HttpClient.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "http/HttpMessage.h"

namespace vantle {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Waits for bytes and copies at least one (at most size) into buffer; 0 means the peer closed.
    // Raises an HttpError when the wait fails or times out.
    virtual std::size_t ReadSome(char* buffer, std::size_t size) = 0;

    // From now on all waits together may take at most total (used for an error body). A source
    // without time (memory) ignores it.
    virtual void LimitWaits(std::chrono::milliseconds total) { (void)total; }
};

// Buffers a ByteSource and hands out lines and counted bytes.
class LineReader {
public:
    static constexpr std::size_t kMaxLine = 16384;

    explicit LineReader(ByteSource& source) : source_(source) {}

    // The next line without its LF and the CR just before it. A last line cut off by the close is
    // returned as it is; nullopt when the stream ended before any byte of a line. Raises
    // HttpLineTooLong for a line over maxLength bytes.
    std::optional<std::string> ReadLine(std::size_t maxLength = kMaxLine);

    // Appends exactly count bytes to out. Raises HttpConnectionClosed when the stream ends first, and
    // HttpBodyTooLarge (after filling out up to cap) when out would pass cap bytes.
    void ReadCounted(std::uint64_t count, std::string& out, std::size_t cap);

    // Appends everything up to the close to out, with the same cap.
    void ReadToClose(std::string& out, std::size_t cap);

    // Bytes taken from the source so far.
    std::uint64_t BytesReceived() const { return received_; }

    ByteSource& Source() { return source_; }

private:
    std::size_t Buffered() const { return buffer_.size() - pos_; }
    // Reads more bytes into the buffer; false when the stream has ended.
    bool Fill();
    // Moves up to count buffered bytes to out, honouring cap; returns how many were moved.
    std::size_t Drain(std::uint64_t count, std::string& out, std::size_t cap);

    ByteSource& source_;
    std::string buffer_;
    std::size_t pos_ = 0;
    std::size_t scanned_ = 0;  // buffer_[pos_, scanned_) is known to hold no LF
    std::uint64_t received_ = 0;
    bool ended_ = false;  // the source reported its end; it is not asked again
};

struct AnswerLimits {
    std::size_t maxBody = 16u << 20;
    std::chrono::milliseconds errorBodyTime{2000};
    std::size_t maxHead = 1u << 20;  // bytes of status and header lines, 100 answers included
};

struct AnswerInfo {
    ResponseHead head;
    bool keepAlive =
        true;  // false after "Connection: close", "Proxy-Connection: close" or a body read to the close
};

// Reads one answer. For a 2xx answer without "Location" the body is appended to body (partly, when
// the transfer breaks off and the failure is raised) and the head returned. Any other answer has its
// error body read within limits.errorBodyTime and is raised as EIdHTTPProtocolException; body stays
// untouched. Raises HttpConnectionClosed when the stream ends before a status line.
AnswerInfo ReadAnswer(LineReader& reader, std::string& body, const AnswerLimits& limits = {});

}  // namespace vantle
