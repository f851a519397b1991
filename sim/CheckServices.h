#pragma once
// The services that the checks of today ask, on loopback ports: a DNS server, the web (http and https
// with a certificate authority of its own), RDAP and WHOIS, the web archive, and a top-sites list file.
// Tests and the demo point the checks at them.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "check/CheckEndpoints.h"
#include "sim/ArchiveServer.h"
#include "sim/DnsServer.h"
#include "sim/RegistryServer.h"
#include "sim/WebServer.h"

namespace vantle::sim {

class CheckServices {
public:
    // The top-sites list goes to a file of the temporary folder, removed at the end, unless
    // topListFile names where it is kept: that file is written anew and stays for the next start.
    // dnsPort: as DnsServer's (0: any free port).
    explicit CheckServices(const std::string& topListFile = {}, std::uint16_t dnsPort = 0);
    ~CheckServices();
    CheckServices(const CheckServices&) = delete;
    CheckServices& operator=(const CheckServices&) = delete;

    // Endpoints that send every check here, with the default bounds.
    CheckEndpoints Endpoints() const;
    DnsServer& Dns() { return dns_; }
    WebServer& Web() { return web_; }
    RegistryServer& Registry() { return registry_; }
    ArchiveServer& Archive() { return archive_; }
    // A small top-sites list (Tranco style) that the demo's rank check reads.
    const std::string& TopListFile() const { return topList_; }
    // Every answer of every service waits this long first.
    void SetDelayAll(std::chrono::milliseconds delay);

    // The IP cell that the DNS server's default answer for name gives.
    static std::string ExpectedIp(std::string_view name);

private:
    DnsServer dns_;
    WebServer web_;
    RegistryServer registry_;
    ArchiveServer archive_;
    std::string topList_;
    bool keepTopList_ = false;
};

}  // namespace vantle::sim
