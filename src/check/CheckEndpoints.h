#pragma once
// Where the checks beyond the old services go, and their bounds. Production leaves every address
// empty: the system's resolver (/etc/resolv.conf) and the system's trusted certificates. Tests and the
// demo point them at the simulator on 127.0.0.1 and use short bounds.

#include <cstddef>
#include <string>
#include <vector>

namespace vantle {

struct CheckEndpoints {
    // DNS servers as "address:port" ("127.0.0.1:5353"); empty: the system's resolver.
    std::vector<std::string> dnsServers;
    // PEM file of the certificate authorities trusted by the https checks; empty: the system's store.
    std::string caFile;
    // libcurl CONNECT_TO entries ("HOST:PORT:CONNECT-TO-HOST:CONNECT-TO-PORT"; an empty HOST or PORT
    // matches any) for the web checks; empty in production. The requests themselves (Host header, SNI,
    // the certificate's name) stay as in production.
    std::vector<std::string> connectTo;

    // Bounds of every check: connecting, the whole check, the body kept, the redirects followed.
    long connectTimeoutMs = 10000;
    long checkTimeoutMs = 20000;
    std::size_t maxBody = 1u << 20;
    int maxRedirects = 10;
};

}  // namespace vantle
