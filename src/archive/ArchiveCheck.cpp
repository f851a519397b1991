#include "archive/ArchiveCheck.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string_view>
#include <thread>
#include <utility>

#include "archive/CdxReader.h"
#include "web/CurlSession.h"

namespace vantle {
namespace {

using web::Set;

// When a 429 answer names no wait that can be read, the next request goes after this pause.
constexpr long kDefaultRetryMs = 1000;
// The wait for a Retry-After is cut into slices of this length to look at the cancel token.
constexpr long kWaitSliceMs = 20;

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

// The wait that a Retry-After value asks for: delay-seconds or an HTTP date; -1 when it is neither.
long RetryAfterMs(std::string_view value) {
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ')) {
        value.remove_suffix(1);
    }
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
    }
    if (value.empty()) {
        return -1;
    }
    if (value.find_first_not_of("0123456789") == std::string_view::npos) {
        return value.size() > 6 ? 1000000000L : std::stol(std::string(value)) * 1000;
    }
    const time_t when = curl_getdate(std::string(value).c_str(), nullptr);
    if (when < 0) {
        return -1;
    }
    const time_t now = std::time(nullptr);
    return when <= now ? 0 : static_cast<long>(std::min<time_t>(when - now, 1000000)) * 1000;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* answer = static_cast<Answer*>(user);
    const std::size_t bytes = size * count;
    constexpr std::string_view kName = "retry-after:";
    const std::string_view line(data, bytes);
    if (line.size() > kName.size() &&
        std::equal(kName.begin(), kName.end(), line.begin(),
                   [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); })) {
        answer->retryAfterMs = RetryAfterMs(line.substr(kName.size()));
    } else if (line.rfind("HTTP/", 0) == 0) {
        answer->retryAfterMs = -1;  // a new answer's head (after a 1xx)
    }
    return bytes;
}

Answer Ask(const std::string& url, const CheckEndpoints& endpoints, const CancelToken& cancel) {
    Answer answer;
    answer.body.cap = endpoints.maxBody;
    web::SList routes;
    const web::Easy easy = web::NewEasy(endpoints, cancel, routes);
    const web::Deadline deadline(endpoints.checkTimeoutMs);
    if (!easy || !web::SetTimeLeft(easy.get(), endpoints, deadline) ||
        !Set(easy.get(), CURLOPT_URL, url.c_str()) || !Set(easy.get(), CURLOPT_WRITEFUNCTION, &OnBody) ||
        !Set(easy.get(), CURLOPT_WRITEDATA, static_cast<void*>(&answer.body)) ||
        !Set(easy.get(), CURLOPT_HEADERFUNCTION, &OnHeader) ||
        !Set(easy.get(), CURLOPT_HEADERDATA, static_cast<void*>(&answer)) ||
        !Set(easy.get(), CURLOPT_ACCEPT_ENCODING, "")) {
        answer.result = CURLE_FAILED_INIT;
        return answer;
    }
    answer.result = curl_easy_perform(easy.get());
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

// Waits ms unless cancel is set first; false when it was.
bool Wait(long ms, const CancelToken& cancel) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cancel.Cancelled()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) {
            return true;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            end - now, std::chrono::milliseconds(kWaitSliceMs)));
    }
    return false;
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
        for (int attempt = 0;; ++attempt) {
            const Answer answer = Ask(url, endpoints_, cancel);
            if (cancel.Cancelled()) {
                return {"cancelled"};
            }
            if (answer.result != CURLE_OK) {
                return {FailureWord(answer)};
            }
            if (answer.status == 429) {
                const long wait = answer.retryAfterMs >= 0 ? answer.retryAfterMs : kDefaultRetryMs;
                if (attempt > 0 || wait > endpoints_.maxRetryAfterMs) {
                    return {"rate limited"};
                }
                if (!Wait(wait, cancel)) {
                    return {"cancelled"};
                }
                continue;
            }
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
