#include "web/WebCheck.h"

#include <cstring>
#include <string>
#include <vector>

#include "web/CurlSession.h"
#include "web/WebVerdict.h"

namespace vantle {
namespace {

using web::Set;

// Counts what one answer brings; ends the transfer when the head or the body passes the cap.
struct AnswerSink {
    CURL* easy;
    std::size_t cap;
    std::size_t headBytes = 0;
    std::size_t bodyBytes = 0;
    bool headDone = false;  // the head of a final (not 1xx) answer ended
    bool redirect = false;  // and it was a 3xx
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<AnswerSink*>(user);
    const std::size_t bytes = size * count;
    sink->headBytes += bytes;
    if (sink->headBytes > sink->cap) {
        return 0;
    }
    const bool blankLine =
        (bytes == 2 && std::memcmp(data, "\r\n", 2) == 0) || (bytes == 1 && data[0] == '\n');
    long status = 0;
    if (blankLine && curl_easy_getinfo(sink->easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
        status >= 200) {
        // The status is all the check needs of a final answer: its body is not waited for. A
        // redirect's (short) body is read, libcurl giving its target only after a whole transfer.
        sink->headDone = true;
        sink->redirect = status >= 300 && status < 400;
        return sink->redirect ? bytes : 0;
    }
    return bytes;
}

// The body is not kept; past the cap the transfer ends, the status being known by then.
std::size_t OnBody(char*, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<AnswerSink*>(user);
    sink->bodyBytes += size * count;
    return sink->bodyBytes > sink->cap ? 0 : size * count;
}

bool IsHttps(const std::string& url) {
    return url.size() >= 6 && (url.compare(0, 6, "https:") == 0 || url.compare(0, 6, "HTTPS:") == 0);
}

// The cookies the handle holds, one line each as libcurl lists them.
std::vector<std::string> Cookies(CURL* easy) {
    std::vector<std::string> lines;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) == CURLE_OK) {
        for (const curl_slist* line = list; line != nullptr; line = line->next) {
            lines.emplace_back(line->data);
        }
    }
    curl_slist_free_all(list);
    return lines;
}

WebHop Fetch(CURL* easy, web::SList& routes, web::SList& pins, web::SocketPace& pace, const std::string& url,
             const DomainNames& names, const CheckEndpoints& endpoints, const web::Deadline& deadline,
             const CancelToken& cancel) {
    WebHop hop;
    hop.url = url;
    AnswerSink sink{easy, endpoints.maxBody};
    if (!Set(easy, CURLOPT_URL, url.c_str()) || !web::RouteTo(easy, endpoints, url, routes) ||
        !Set(easy, CURLOPT_HEADERDATA, static_cast<void*>(&sink)) ||
        !Set(easy, CURLOPT_WRITEDATA, static_cast<void*>(&sink))) {
        hop.failure = "bad name";
        return hop;
    }
    if (std::optional<std::string> failure =
            web::PinAddresses(easy, pins, url, names, endpoints, cancel, &pace)) {
        hop.failure = std::move(*failure);
        return hop;
    }
    // The time-outs start once the place at the address is had.
    if (!web::SetTimeLeft(easy, endpoints, deadline)) {
        pace.DropReserved();
        hop.failure = "timeout";
        return hop;
    }
    const std::vector<std::string> cookiesBefore = Cookies(easy);
    const CURLcode result = curl_easy_perform(easy);
    pace.DropReserved();
    if (cancel.Cancelled()) {
        hop.failure = "cancelled";
        return hop;
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    // Once the head of an answer is in, its status stands: a body that breaks off, trickles past the
    // time-out or passes the cap changes nothing.
    if (result != CURLE_OK && !(sink.headDone && status >= 200)) {
        hop.failure = WebFailureWord(result, IsHttps(url));
        return hop;
    }
    hop.status = static_cast<int>(status);
    hop.cookiesChanged = Cookies(easy) != cookiesBefore;
    char* location = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location != nullptr) {
        hop.redirectUrl = location;
    }
    return hop;
}

}  // namespace

std::string WebFailureWord(int code, bool https) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return "no address";
        case CURLE_COULDNT_RESOLVE_PROXY:
            return "proxy error";
        case CURLE_COULDNT_CONNECT:
            return "refused";
        case CURLE_OPERATION_TIMEDOUT:
            return "timeout";
        case CURLE_ABORTED_BY_CALLBACK:
            return "cancelled";
        case CURLE_URL_MALFORMAT:
            return "bad name";
        case CURLE_FAILED_INIT:
            return "error";
        default:
            return https ? "TLS error" : "no answer";
    }
}

std::vector<std::string> WebCheck::Columns() const {
    return {"HTTP", "Mirror"};
}

std::vector<std::string> WebCheck::Run(const DomainNames& asked, const CancelToken& cancel) {
    try {
        const DomainNames names = web::WithFacts(asked);
        const web::Deadline deadline(cancel, endpoints_.checkTimeoutMs);
        web::SocketPace pace(cancel);
        web::SList routes;
        web::SList pins;
        const web::Easy easy = web::NewEasy(endpoints_, cancel, routes, &pace, web::Routes::PerHost);
        // One connection at a time: a kept one would hold its host's place while the next hop waits.
        // The cookies live on this handle only, in memory: one chain of one domain sees them.
        if (!easy || !Set(easy.get(), CURLOPT_HEADERFUNCTION, &OnHeader) ||
            !Set(easy.get(), CURLOPT_WRITEFUNCTION, &OnBody) || !Set(easy.get(), CURLOPT_FORBID_REUSE, 1L) ||
            !Set(easy.get(), CURLOPT_COOKIEFILE, "")) {
            return {"error", ""};
        }
        const std::string start = "http://" + names.full + "/";
        std::vector<WebHop> hops;
        std::string next = start;
        for (;;) {
            hops.push_back(Fetch(easy.get(), routes, pins, pace, next, names, endpoints_, deadline, cancel));
            WebVerdict verdict = DecideWeb(start, hops, endpoints_.maxRedirects);
            if (!verdict.next) {
                return {std::move(verdict.http), std::move(verdict.mirror)};
            }
            next = std::move(*verdict.next);
        }
    } catch (...) {
        return {"error", ""};
    }
}

}  // namespace vantle
