#pragma once
// Runs a call and tells which failure of the HTTP client it raised, for tests written as tables.

#include <functional>
#include <string>

#include "http/HttpErrors.h"

namespace vantle::httptest {

enum class Failure {
    None,
    Protocol,
    Closed,
    Socket,
    LineTooLong,
    Timeout,
    BodyTooLarge,
    BadAnswer,
    BadUrl,
    HostNotFound,
    Refused,
    Other
};

struct Caught {
    Failure failure = Failure::None;
    int code = 0;           // of a protocol failure
    std::string errorBody;  // of a protocol failure
};

inline Caught CatchFailure(const std::function<void()>& call) {
    Caught caught;
    try {
        call();
    } catch (const EIdHTTPProtocolException& e) {
        caught = {Failure::Protocol, e.ErrorCode(), e.ErrorMessage()};
    } catch (const HttpConnectionClosed&) {
        caught.failure = Failure::Closed;
    } catch (const HttpSocketError&) {
        caught.failure = Failure::Socket;
    } catch (const HttpLineTooLong&) {
        caught.failure = Failure::LineTooLong;
    } catch (const HttpTimeout&) {
        caught.failure = Failure::Timeout;
    } catch (const HttpBodyTooLarge&) {
        caught.failure = Failure::BodyTooLarge;
    } catch (const HttpBadAnswer&) {
        caught.failure = Failure::BadAnswer;
    } catch (const HttpBadUrl&) {
        caught.failure = Failure::BadUrl;
    } catch (const HttpHostNotFound&) {
        caught.failure = Failure::HostNotFound;
    } catch (const HttpConnectionRefused&) {
        caught.failure = Failure::Refused;
    } catch (...) {
        caught.failure = Failure::Other;
    }
    return caught;
}

inline const char* Name(Failure f) {
    switch (f) {
        case Failure::None:
            return "None";
        case Failure::Protocol:
            return "Protocol";
        case Failure::Closed:
            return "Closed";
        case Failure::Socket:
            return "Socket";
        case Failure::LineTooLong:
            return "LineTooLong";
        case Failure::Timeout:
            return "Timeout";
        case Failure::BodyTooLarge:
            return "BodyTooLarge";
        case Failure::BadAnswer:
            return "BadAnswer";
        case Failure::BadUrl:
            return "BadUrl";
        case Failure::HostNotFound:
            return "HostNotFound";
        case Failure::Refused:
            return "Refused";
        case Failure::Other:
            return "Other";
    }
    return "?";
}

// For readable gtest messages.
inline void PrintTo(Failure f, std::ostream* os) {
    *os << Name(f);
}

}  // namespace vantle::httptest
