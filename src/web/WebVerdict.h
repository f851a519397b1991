#pragma once
// What the web check makes of the answers it got for http://<name>/ and the redirects after it: the
// HTTP cell (status or failure word) and the Mirror cell (where the redirects ended). Pure: the fetch
// feeds it one hop at a time and follows the URL it names.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantle {

// One request of the chain.
struct WebHop {
    std::string url;              // the URL asked for
    int status = 0;               // the status of the answer; 0 when none came
    std::string redirectUrl;      // the absolute URL of a 3xx answer's Location; empty if none
    std::string failure;          // the short failure word when no usable answer came; empty otherwise
    bool cookiesChanged = false;  // the answer set cookies that the next requests of the chain send
};

struct WebVerdict {
    std::string http;
    std::string mirror;
    // The URL to ask for next; empty when the chain has ended (http and mirror are then final).
    std::optional<std::string> next;
};

// start: the URL of the first request ("http://<name>/"); hops: the requests so far, in order.
// At most maxRedirects redirects are followed; one more, or one to a URL asked for before with the
// same cookies, is a loop. A redirect's host (raw UTF-8 or %-encoded) is followed and compared in its
// full ASCII form.
WebVerdict DecideWeb(std::string_view start, const std::vector<WebHop>& hops, int maxRedirects);

// The Mirror cell for a chain that started at start and ended at final (both absolute URLs):
// hosts compared in their full ASCII form, "" for the same host and scheme, "www" when the hosts differ only
// by a leading "www.", "https" when only the scheme changed to https, otherwise the final host in display
// form.
std::string MirrorCell(std::string_view start, std::string_view final);

}  // namespace vantle
