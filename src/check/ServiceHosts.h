#pragma once
// Where the web services live. Production uses the defaults; tests and the demo point the services
// at the simulator on 127.0.0.1.

#include <string>

namespace vantle {

struct ServiceHosts {
    // Authorities ("host" or "host:port") of the services asked through the HTTP client.
    std::string bar = "bar-navig.yandex.ru";
    std::string webmaster = "webmaster.yandex.ru";
    // Host inside the catalogue link "http://<catalogue>/yca/" searched in the bar answer.
    std::string catalogue = "yaca.yandex.ru";
    // Hosts of the rank services asked through the direct fetch (always port 80 of the host).
    std::string toolbar = "toolbarqueries.google.com";
    std::string alexa = "data.alexa.com";
    // Whois pages opened in the browser.
    std::string whoisA = "www.nic.ru";
    std::string whoisB = "whois.domaintools.com";
    // Empty in production. Otherwise "address:port" to which every direct fetch connects instead of
    // port 80 of its host; the request itself (Host header included) stays as in production.
    std::string fetchConnectTo;
};

}  // namespace vantle
