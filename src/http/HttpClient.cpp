#include "http/HttpClient.h"

#include <algorithm>

#include "http/AnswerReader.h"
#include "http/HttpErrors.h"

namespace vantle {
namespace {

// A kept connection that the server had closed while it was idle: nothing of an answer came back.
struct StaleConnection {};

}  // namespace

void HttpClient::Get(std::string_view url, std::string& result) {
    const HttpUrl target = ParseHttpUrl(url);
    const std::string request = BuildGetRequest(target);
    std::string body;  // only ever holds bytes of a 2xx body
    try {
        Exchange(target, request, body, std::chrono::steady_clock::now() + totalTimeout_);
    } catch (...) {
        // The recheck relies on this: a 2xx body that broke off still reaches the caller.
        if (!body.empty()) {
            result = std::move(body);
        }
        throw;
    }
    if (!body.empty()) {
        result = std::move(body);
    }
}

void HttpClient::Disconnect() noexcept {
    connection_.Close();
}

bool HttpClient::Connect(const HttpUrl& url, Deadline deadline) {
    if (connection_.IsOpen() && connectedHost_ == url.host && connectedPort_ == url.port) {
        return true;
    }
    connection_.Close();
    connection_.Open(url.host, url.port, std::min(connectTimeout_, TimeLeft(deadline)));
    connectedHost_ = url.host;
    connectedPort_ = url.port;
    return false;
}

void HttpClient::Exchange(const HttpUrl& url, const std::string& request, std::string& body,
                          Deadline deadline) {
    for (bool retried = false;; retried = true) {
        const bool reused = Connect(url, deadline);
        try {
            SendAndRead(reused && !retried, request, body, deadline);
            return;
        } catch (const StaleConnection&) {
            connection_.Close();
        } catch (...) {
            connection_.Close();
            throw;
        }
    }
}

void HttpClient::SendAndRead(bool mayBeStale, const std::string& request, std::string& body,
                             Deadline deadline) {
    try {
        connection_.WriteAll(request, std::min(readTimeout_, TimeLeft(deadline)));
    } catch (const HttpSocketError&) {
        if (mayBeStale) {
            throw StaleConnection{};
        }
        throw;
    }
    ConnectionSource source(connection_, readTimeout_, deadline);
    LineReader reader(source);
    AnswerLimits limits;
    limits.maxBody = maxBody_;
    AnswerInfo info;
    try {
        info = ReadAnswer(reader, body, limits);
    } catch (const HttpConnectionLost&) {
        if (mayBeStale && reader.BytesReceived() == 0) {
            throw StaleConnection{};
        }
        throw;
    }
    if (!info.keepAlive) {
        connection_.Close();
    }
}

}  // namespace vantle
