#pragma once
// The failures of HttpClient::Get besides EIdHTTPProtocolException (HttpGetter.h). Callers catch
// HttpError; the classes exist so that tests and logs can tell one failure from another.

#include "http/HttpGetter.h"

namespace vantle {

// The URL is not "http://host[:port][/path?query]", or holds a byte that must never reach the wire
// (a control character, a space or DEL). Raised before anything is sent.
class HttpBadUrl : public HttpError {
public:
    using HttpError::HttpError;
};

// The host name did not resolve.
class HttpHostNotFound : public HttpError {
public:
    using HttpError::HttpError;
};

// The host answered the connection attempt with a refusal.
class HttpConnectionRefused : public HttpError {
public:
    using HttpError::HttpError;
};

// Base of the two ways an established connection is lost.
class HttpConnectionLost : public HttpError {
public:
    using HttpError::HttpError;
};

// The peer closed the connection where more bytes were due: before the status line, inside a body of
// known length or inside a chunk.
class HttpConnectionClosed : public HttpConnectionLost {
public:
    using HttpConnectionLost::HttpConnectionLost;
};

// The operating system reported an error on the socket (reset, broken pipe, unreachable network...).
class HttpSocketError : public HttpConnectionLost {
public:
    using HttpConnectionLost::HttpConnectionLost;
};

// A status, header or chunk-size line longer than the longest line allowed (16384 bytes).
class HttpLineTooLong : public HttpError {
public:
    using HttpError::HttpError;
};

// Connecting, or one wait for bytes to send or to arrive, took longer than its time-out.
class HttpTimeout : public HttpError {
public:
    using HttpError::HttpError;
};

// The body grew past the client's cap.
class HttpBodyTooLarge : public HttpError {
public:
    using HttpError::HttpError;
};

// The answer's framing cannot be read: a chunk size that is not hexadecimal, or a head that never ends.
class HttpBadAnswer : public HttpError {
public:
    using HttpError::HttpError;
};

}  // namespace vantle
