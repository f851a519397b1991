#include "registry/RegistryFetch.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>

#include "pace/RetryAfter.h"
#include "registry/BoundedSocket.h"
#include "registry/RegistryReaders.h"
#include "web/WebCheck.h"

namespace vantle::registry {
namespace {

using web::Set;

struct Sink {
    std::size_t cap = 0;
    std::string body;
    bool tooBig = false;
    long retryAfterMs = -1;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t bytes = size * count;
    if (sink->body.size() + bytes > sink->cap) {
        sink->tooBig = true;
        return 0;
    }
    sink->body.append(data, bytes);
    return bytes;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(text[i]) != lower(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::string_view line(data, size * count);
    if (StartsWithNoCase(line, "HTTP/")) {
        sink->retryAfterMs = -1;  // a new answer (after a redirect)
    } else if (const std::optional<std::string_view> value = RetryAfterValue(line)) {
        if (const std::optional<Millis> wait = RetryAfterWait(*value, std::time(nullptr))) {
            sink->retryAfterMs = wait->count();
        }
    }
    return size * count;
}

// "host", "host:port" or "[v6]:port".
std::pair<std::string, std::uint16_t> HostAndPort(const std::string& server) {
    std::string host = server;
    std::uint16_t port = 43;
    const auto colon = server.rfind(':');
    const bool bracketed = !server.empty() && server.front() == '[';
    if (colon != std::string::npos && (bracketed || server.find(':') == colon)) {
        const std::string digits = server.substr(colon + 1);
        if (!digits.empty() && digits.size() <= 5 &&
            digits.find_first_not_of("0123456789") == std::string::npos) {
            const unsigned long value = std::stoul(digits);
            if (value > 0 && value <= 65535) {
                port = static_cast<std::uint16_t>(value);
                host = server.substr(0, colon);
            }
        }
    }
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    return {host, port};
}

std::string StepWord(SocketStep step) {
    switch (step) {
        case SocketStep::Timeout:
            return "timeout";
        case SocketStep::Cancelled:
            return "cancelled";
        case SocketStep::NoAddress:
            return "no address";
        case SocketStep::Refused:
            return "refused";
        default:
            return "error";
    }
}

}  // namespace

HttpAnswer HttpGet(const std::string& url, const char* accept, std::size_t cap,
                   const CheckEndpoints& endpoints, const CancelToken& cancel, const web::Deadline& deadline,
                   bool follow) {
    HttpAnswer answer;
    try {
        web::SList routes;
        web::SList headers;
        const web::Easy easy = web::NewEasy(endpoints, cancel, routes);
        Sink sink;
        sink.cap = cap;
        CURL* e = easy.get();
        if (!easy || !headers.Append(std::string("Accept: ") + accept) ||
            !Set(e, CURLOPT_HTTPHEADER, headers.get()) || !Set(e, CURLOPT_URL, url.c_str()) ||
            !Set(e, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L) ||
            !Set(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") ||
            !Set(e, CURLOPT_MAXREDIRS, static_cast<long>(endpoints.maxRedirects)) ||
            !Set(e, CURLOPT_ACCEPT_ENCODING, "") || !Set(e, CURLOPT_WRITEFUNCTION, &OnBody) ||
            !Set(e, CURLOPT_WRITEDATA, static_cast<void*>(&sink)) ||
            !Set(e, CURLOPT_HEADERFUNCTION, &OnHeader) ||
            !Set(e, CURLOPT_HEADERDATA, static_cast<void*>(&sink))) {
            answer.failure = "error";
            return answer;
        }
        if (!web::SetTimeLeft(e, endpoints, deadline)) {
            answer.failure = "timeout";
            return answer;
        }
        const CURLcode result = web::Perform(e, cancel);
        if (cancel.Cancelled()) {
            answer.failure = "cancelled";
            return answer;
        }
        if (sink.tooBig) {
            answer.failure = std::string(kBadAnswer);
            return answer;
        }
        if (result != CURLE_OK) {
            answer.failure = WebFailureWord(result, url.starts_with("https:"));
            if (answer.failure == "no answer") {
                answer.failure = "error";
            }
            return answer;
        }
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &answer.status);
        char* location = nullptr;
        if (!follow && curl_easy_getinfo(e, CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
            location != nullptr) {
            answer.redirectUrl = location;
        }
        answer.body = std::move(sink.body);
        answer.retryAfterMs = sink.retryAfterMs;
    } catch (...) {
        answer.failure = "error";
    }
    return answer;
}

std::string WhoisPaceKey(const std::string& server) {
    return "whois:" + HostAndPort(server).first;
}

WhoisAnswer AskWhois(const std::string& server, const std::string& query, const CheckEndpoints& endpoints,
                     const CancelToken& cancel, const web::Deadline& deadline) {
    WhoisAnswer answer;
    try {
        bool limited = false;
        const std::optional<Limiter::Lease> lease = cancel.Pace(WhoisPaceKey(server), &limited);
        if (!lease) {
            answer.failure = limited ? std::string(kRateLimited) : "cancelled";
            return answer;
        }
        const auto [host, port] =
            HostAndPort(endpoints.whoisConnectTo.empty() ? server : endpoints.whoisConnectTo);
        if (host.empty()) {
            answer.failure = "error";
            return answer;
        }
        BoundedSocket connection(
            cancel, deadline,
            endpoints.connectTimeoutMs > 0 ? endpoints.connectTimeoutMs : deadline.LeftMs());
        SocketStep step = connection.Open(host, port);
        if (step == SocketStep::Done) {
            step = connection.WriteAll(query + "\r\n");
        }
        while (step == SocketStep::Done) {
            step = connection.ReadSome(answer.text, kWhoisCap + 1 - answer.text.size());
            if (answer.text.size() > kWhoisCap) {
                answer.failure = std::string(kBadAnswer);
                answer.text.clear();
                return answer;
            }
        }
        if (step == SocketStep::Closed) {
            return answer;
        }
        answer.failure = StepWord(step);
    } catch (...) {
        answer.failure = "error";
    }
    answer.text.clear();
    return answer;
}

}  // namespace vantle::registry
