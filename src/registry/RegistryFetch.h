#pragma once
// The transfers of the registration check: an HTTP GET on libcurl (the bootstrap file and the RDAP
// answers) and one WHOIS exchange over TCP. Both are bounded by the endpoints' time-outs, the check's
// deadline and a cap on the answer, and end early once cancel is set. Neither throws.

#include <cstddef>
#include <string>

#include "check/Check.h"
#include "check/CheckEndpoints.h"
#include "web/CurlSession.h"

namespace vantle::registry {

inline constexpr std::size_t kRdapCap = 1u << 20;
inline constexpr std::size_t kWhoisCap = 256u << 10;

struct HttpAnswer {
    std::string failure;      // empty when an answer came: "timeout", "refused", "bad answer", ...
    long status = 0;          // of the last answer
    std::string body;         // at most the cap
    long retryAfterMs = -1;   // the wait a Retry-After asked for; -1: none
    std::string redirectUrl;  // where a redirect that was not followed leads
};

// With follow, redirects are followed by libcurl; without, a 3xx answer gives its target in redirectUrl
// (so that the caller asks it under the pace of the host it leads to).
HttpAnswer HttpGet(const std::string& url, const char* accept, std::size_t cap,
                   const CheckEndpoints& endpoints, const CancelToken& cancel, const web::Deadline& deadline,
                   bool follow = true);

struct WhoisAnswer {
    std::string failure;  // empty when the server answered and closed: "timeout", "refused", ...
    std::string text;
};

// The pace key of a WHOIS server ("whois:whois.tcinet.ru").
std::string WhoisPaceKey(const std::string& server);

// Sends query and CR LF to server ("host" or "host:port", port 43 by default; endpoints.whoisConnectTo
// instead when set) and reads until the server closes, after waiting for its place in the server's pace
// ("rate limited" when the server asked to be left alone past the deadline). An answer past kWhoisCap is "bad
// answer".
WhoisAnswer AskWhois(const std::string& server, const std::string& query, const CheckEndpoints& endpoints,
                     const CancelToken& cancel, const web::Deadline& deadline);

}  // namespace vantle::registry
