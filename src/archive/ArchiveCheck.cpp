#include "archive/ArchiveCheck.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <optional>
#include <string_view>
#include <utility>

#include "archive/CdxReader.h"
#include "pace/RetryAfter.h"
#include "web/CurlSession.h"

namespace vantle {
namespace {

using web::Set;

constexpr std::string_view kPaceKey = "archive";

struct Body {
    std::string bytes;
    std::size_t cap;
    bool overCap = false;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const std::size_t bytes = size * count;
    if (body->bytes.size() + bytes > body->cap) {
        body->overCap = true;
        return 0;
    }
    body->bytes.append(data, bytes);
    return bytes;
}

struct Answer {
    CURLcode result = CURLE_OK;
    long status = 0;
    long retryAfterMs = -1;  // -1: no Retry-After header that could be read
    Body body;
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* answer = static_cast<Answer*>(user);
    const std::size_t bytes = size * count;
    const std::string_view line(data, bytes);
    if (const std::optional<std::string_view> value = RetryAfterValue(line)) {
        const std::optional<Millis> wait = RetryAfterWait(*value, std::time(nullptr));
        answer->retryAfterMs = wait ? static_cast<long>(wait->count()) : -1;
    } else if (line.rfind("HTTP/", 0) == 0) {
        answer->retryAfterMs = -1;  // a new answer's head (after a 1xx)
    }
    return bytes;
}

Answer Ask(const std::string& url, const CheckEndpoints& endpoints, const CancelToken& cancel,
           const web::Deadline& deadline) {
    Answer answer;
    answer.body.cap = endpoints.maxBody;
    web::SList routes;
    const web::Easy easy = web::NewEasy(endpoints, cancel, routes);
    if (!easy || !web::SetTimeLeft(easy.get(), endpoints, deadline) ||
        !Set(easy.get(), CURLOPT_URL, url.c_str()) || !Set(easy.get(), CURLOPT_WRITEFUNCTION, &OnBody) ||
        !Set(easy.get(), CURLOPT_WRITEDATA, static_cast<void*>(&answer.body)) ||
        !Set(easy.get(), CURLOPT_HEADERFUNCTION, &OnHeader) ||
        !Set(easy.get(), CURLOPT_HEADERDATA, static_cast<void*>(&answer)) ||
        !Set(easy.get(), CURLOPT_ACCEPT_ENCODING, "")) {
        answer.result = CURLE_FAILED_INIT;
        return answer;
    }
    answer.result = web::Perform(easy.get(), cancel);
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &answer.status);
    return answer;
}

std::string FailureWord(const Answer& answer) {
    if (answer.body.overCap) {
        return "bad answer";
    }
    switch (answer.result) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return "no address";
        case CURLE_COULDNT_CONNECT:
            return "refused";
        case CURLE_OPERATION_TIMEDOUT:
            return "timeout";
        case CURLE_ABORTED_BY_CALLBACK:
            return "cancelled";
        default:
            return "error";
    }
}

}  // namespace

ArchiveCheck::ArchiveCheck(CheckEndpoints endpoints) : endpoints_(std::move(endpoints)) {}

std::string ArchiveCheck::QueryUrl(std::string_view archiveUrl, std::string_view name) {
    std::string url(archiveUrl);
    url += "?url=";
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            url += c;
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 15];
        }
    }
    url += "&output=json&limit=1&fl=timestamp";
    return url;
}

std::vector<std::string> ArchiveCheck::Run(const DomainNames& names, const CancelToken& cancel) {
    try {
        const std::string url = QueryUrl(endpoints_.archiveUrl, names.full);
        const web::Deadline deadline(cancel, endpoints_.checkTimeoutMs);
        for (int attempt = 0;; ++attempt) {
            bool limited = false;
            std::optional<Limiter::Lease> lease = cancel.Pace(kPaceKey, &limited);
            if (!lease) {
                return {limited ? "rate limited" : "cancelled"};
            }
            const Answer answer = Ask(url, endpoints_, cancel, deadline);
            lease->Release();
            if (cancel.Cancelled()) {
                return {"cancelled"};
            }
            if (answer.result != CURLE_OK) {
                return {FailureWord(answer)};
            }
            if (answer.status == 429) {
                // Every domain waits for the archive: for the time it asks, else a minute doubled for
                // each such answer in a row (it blocks an address that keeps asking through them).
                // This one asks once more if the wait fits its time.
                long wait = answer.retryAfterMs;
                if (wait >= 0) {
                    cancel.Backoff(kPaceKey, Millis(wait));
                } else {
                    wait = static_cast<long>(cancel.BackoffDoubling(kPaceKey).count());
                }
                if (attempt > 0 || wait > endpoints_.maxRetryAfterMs || wait >= deadline.LeftMs()) {
                    return {"rate limited"};
                }
                continue;
            }
            cancel.Answered(kPaceKey);
            if (answer.status != 200) {
                return {"error"};
            }
            return {ArchiveCellFromCdx(answer.body.bytes)};
        }
    } catch (...) {
        return {"error"};
    }
}

}  // namespace vantle
