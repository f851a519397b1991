#pragma once
// The one operation of the HTTP client that the checks use, and the failures it raises.

#include <stdexcept>
#include <string>
#include <string_view>

namespace vantle {

// Base of every failure of Get.
class HttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An answer whose status is not 2xx, or that carries a "Location" header (redirects are never
// followed).
class EIdHTTPProtocolException : public HttpError {
public:
    EIdHTTPProtocolException(int code, std::string statusLine, std::string errorBody)
        : HttpError(statusLine), code_(code), statusLine_(std::move(statusLine)), errorBody_(std::move(errorBody)) {}
    int ErrorCode() const { return code_; }
    const std::string& StatusLine() const { return statusLine_; }
    const std::string& ErrorMessage() const { return errorBody_; }

private:
    int code_;
    std::string statusLine_;
    std::string errorBody_;
};

class HttpGetter {
public:
    virtual ~HttpGetter() = default;

    // Sends one GET and puts the body of the answer into result. Raises an HttpError on failure.
    // result is assigned only from body bytes delivered by a 2xx answer and only when there is at
    // least one: after a failure it keeps what it held before, or the part of a 2xx body received
    // before the transfer broke off. An error body never reaches it.
    virtual void Get(std::string_view url, std::string& result) = 0;
};

}  // namespace vantle
