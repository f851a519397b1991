#pragma once
// The rank services' own direct fetch, on libcurl.

#include <string>
#include <string_view>

#include "FWURLPosition/TFWURLPosition.h"
#include "check/ServiceHosts.h"

namespace vantle {

struct FetchOptions {
    // "" in production; else "address:port" that the connection goes to instead of port 80 of the
    // host (the request is unchanged).
    std::string connectTo;
    long connectTimeoutMs = 10000;
    long totalTimeoutMs = 30000;
    std::size_t maxBody = 16u << 20;  // a larger body fails the fetch
};

// The host part of a URL or of a bare domain: a first "http://" taken off, then the part before the
// first "/", or the whole text when that part is empty.
void ExtractHost(std::string_view text, std::string& host);

// One plain HTTP/1.1 GET to port 80 of the URL's host. answer receives the whole body (every byte, NUL
// included) whatever the status; it stays empty when the transfer fails, and holds what arrived when
// a read stops early.
void FetchURL(std::string_view url, std::string& answer, const FetchOptions& options = {});

// FetchURL with the routing of hosts (fetchConnectTo) and the default limits.
RankFetcher DirectFetcher(const ServiceHosts& hosts);

}  // namespace vantle
