#pragma once
// The four web services on one loopback port: the Yandex bar service ("/u"), Yandex.Webmaster
// ("/check.xml"), the toolbar PageRank service ("/tbr") and the Alexa data service ("/data"). Answers
// are derived deterministically from the domain asked about, so a run over the same list always
// gives the same table. Tests add faults on top.

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "check/ServiceHosts.h"
#include "sim/TestServer.h"

namespace vantle::sim {

// What the services say about one domain (its ASCII form).
struct SimSite {
    int tic = 0;
    std::string mirror;  // the main mirror named in the bar answer
    bool yaca = false;
    int pages = 0;
    bool pagesUnderWww = false;  // Webmaster names "www." + domain instead of counting
    bool webmasterDown = false;  // Webmaster answers with an error page
    int pageRank = 0;
    bool toolbarDown = false;  // the toolbar service sends nothing usable
    int alexaRank = 0;
};

SimSite SiteFor(std::string_view domain);

// The answer texts, for tests that want to build their own.
std::string BarAnswerFor(std::string_view domain, const SimSite& site, std::string_view catalogueHost);
std::string IndexPageFor(std::string_view hostname, const SimSite& site);

class ServiceSimulator {
public:
    ServiceSimulator();

    // Hosts that point every service at this simulator; the catalogue link keeps its real host.
    vantle::ServiceHosts Hosts() const;
    TestServer& Server() { return server_; }

    // Every bar query for domain fails (the connection is closed without an answer).
    void FailBarFor(std::string domain);
    // Every fault set above is lifted.
    void ClearFaults();
    // The bar answer for domain carries this TIC text instead.
    void SetTicText(std::string domain, std::string tic);
    // How many requests each path got.
    int Count(std::string_view path) const;

private:
    Reply Answer(const Request& request);
    Reply Bar(std::string_view domain);
    Reply Webmaster(std::string_view hostname);
    Reply Toolbar(std::string_view target);
    Reply Alexa(std::string_view host);

    mutable std::mutex mutex_;
    std::set<std::string> failingBar_;
    std::map<std::string, std::string> ticTexts_;
    std::map<std::string, int, std::less<>> counts_;
    TestServer server_;
};

}  // namespace vantle::sim
