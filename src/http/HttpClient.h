#pragma once
// The program's HTTP client (the form's IdHTTP1): plain HTTP/1.1 GET with fixed request headers, with one
// keep-alive connection, bounded time-outs and a cap on the body. Not thread-safe: one client per
// thread (the program uses it from the user-interface thread only).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "http/HttpGetter.h"
#include "http/HttpMessage.h"
#include "http/TcpConnection.h"

namespace vantle {

class HttpClient : public HttpGetter {
public:
    static constexpr std::chrono::milliseconds kDefaultConnectTimeout{10000};
    static constexpr std::chrono::milliseconds kDefaultReadTimeout{30000};
    static constexpr std::chrono::milliseconds kDefaultTotalTimeout{120000};
    static constexpr std::size_t kDefaultMaxBody = 16u << 20;

    HttpClient() = default;

    // See HttpGetter. Failures: HttpBadUrl (nothing sent), HttpHostNotFound, HttpConnectionRefused,
    // HttpConnectionClosed (also before the status line), HttpSocketError, HttpLineTooLong,
    // HttpTimeout, HttpBodyTooLarge (the first maxBody bytes are delivered), HttpBadAnswer and
    // EIdHTTPProtocolException.
    void Get(std::string_view url, std::string& result) override;

    // Resolving and connecting together may take at most this long.
    void setConnectTimeout(std::chrono::milliseconds timeout) { connectTimeout_ = timeout; }
    // Each wait for bytes to send or to arrive may take at most this long.
    void setReadTimeout(std::chrono::milliseconds timeout) { readTimeout_ = timeout; }
    // The whole request (connecting, sending, reading the answer, a retry included) may take at most
    // this long: a server that trickles its answer just under the read time-out cannot hold the caller.
    void setTotalTimeout(std::chrono::milliseconds timeout) { totalTimeout_ = timeout; }
    // A 2xx body longer than this fails the request.
    void setMaxBody(std::size_t bytes) { maxBody_ = bytes; }

    // Closes the kept connection, if any.
    void Disconnect() noexcept;

private:
    using Deadline = std::chrono::steady_clock::time_point;

    // Connects unless the kept connection already goes to url's host and port; true when reused.
    bool Connect(const HttpUrl& url, Deadline deadline);
    // Sends the request and reads the answer, retrying once on a fresh connection when a reused one
    // turns out to be dead; all before the deadline.
    void Exchange(const HttpUrl& url, const std::string& request, std::string& body, Deadline deadline);
    // One send and read on the current connection; mayBeStale: a connection loss before any byte of the
    // answer means the kept connection had died (StaleConnection).
    void SendAndRead(bool mayBeStale, const std::string& request, std::string& body, Deadline deadline);

    TcpConnection connection_;
    std::string connectedHost_;
    std::uint16_t connectedPort_ = 0;
    std::chrono::milliseconds connectTimeout_ = kDefaultConnectTimeout;
    std::chrono::milliseconds readTimeout_ = kDefaultReadTimeout;
    std::chrono::milliseconds totalTimeout_ = kDefaultTotalTimeout;
    std::size_t maxBody_ = kDefaultMaxBody;
};

}  // namespace vantle
