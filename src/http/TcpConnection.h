#pragma once
// One client TCP connection whose every step has a time bound. Blocking calls on the outside; inside,
// each call starts one asynchronous operation and runs the private io_context for at most the time
// allowed, then cancels (the one deadline mechanism of the client).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "http/AnswerReader.h"

namespace vantle {

class TcpConnection {
public:
    TcpConnection();
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Resolves host and connects to port within timeout (both steps together). Raises HttpHostNotFound,
    // HttpConnectionRefused, HttpTimeout or HttpSocketError.
    void Open(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout);
    void Close() noexcept;
    bool IsOpen() const;

    // Raises HttpTimeout or HttpSocketError.
    void WriteAll(std::string_view bytes, std::chrono::milliseconds timeout);
    // 0 when the peer closed. Raises HttpTimeout or HttpSocketError.
    std::size_t ReadSome(char* buffer, std::size_t size, std::chrono::milliseconds timeout);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The connection as the byte source of an answer: each wait bounded by the read time-out, by what is
// left until the deadline of the whole request and, once LimitWaits was called, by what is left of
// that total.
class ConnectionSource : public ByteSource {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    ConnectionSource(TcpConnection& connection, std::chrono::milliseconds readTimeout,
                     Deadline deadline = Deadline::max())
        : connection_(connection), readTimeout_(readTimeout), deadline_(deadline) {}

    std::size_t ReadSome(char* buffer, std::size_t size) override;
    void LimitWaits(std::chrono::milliseconds total) override;

private:
    TcpConnection& connection_;
    std::chrono::milliseconds readTimeout_;
    Deadline deadline_;
};

// Whole milliseconds left until deadline; 0 or less when it has passed.
std::chrono::milliseconds TimeLeft(std::chrono::steady_clock::time_point deadline);

}  // namespace vantle
