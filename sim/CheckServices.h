#pragma once
// The services that the checks of today ask, on loopback ports: a DNS server and the web (http and
// https with a certificate authority of its own). Tests and the demo point the checks at them.

#include <chrono>
#include <string>
#include <string_view>

#include "check/CheckEndpoints.h"
#include "sim/DnsServer.h"
#include "sim/WebServer.h"

namespace vantle::sim {

class CheckServices {
public:
    // Endpoints that send every check here, with the default bounds.
    CheckEndpoints Endpoints() const;
    DnsServer& Dns() { return dns_; }
    WebServer& Web() { return web_; }
    // Every answer of every service waits this long first.
    void SetDelayAll(std::chrono::milliseconds delay);

    // The IP cell that the DNS server's default answer for name gives.
    static std::string ExpectedIp(std::string_view name);

private:
    DnsServer dns_;
    WebServer web_;
};

}  // namespace vantle::sim
