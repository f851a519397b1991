#pragma once
// The loopback stand-in for the web sites that the web and certificate checks visit: an http server,
// an https server with a certificate per name (issued by a TestCa), and the routes that lead the
// checks there. Each host answers by a rule: one set by a test, or a default derived from its name so
// that the demo always shows the same table.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/TestCa.h"

namespace vantle::sim {

// What a host does. Unless said otherwise a rule answers alike on http and https.
enum class WebRule {
    Ok,              // 200
    NotFound,        // 404
    ToHttps,         // http: 301 to https://host/; https: 200
    ToWww,           // 301 to www.host on the same scheme (a www. name answers 200 by default)
    HttpsThenWww,    // http: 301 to https://host/; https: 301 to https://www.host/
    ToHost,          // 302 to http://<target>/
    Loop,            // "/" redirects to "/a" and "/a" back to "/"
    Endless,         // every path "/<n>" redirects to "/<n+1>"
    Relative,        // "/" redirects to the relative "start"; other paths answer 200
    ToFtp,           // 301 to ftp://host/
    NoAnswer,        // the connection closes without an answer
    EndlessHeaders,  // a status line and then header lines without end
    Trickle,         // the answer's head one byte every 100 ms
    HugeBody,        // 200 and a body of 4 MiB, then silence
    NoAddress,       // the name resolves to nothing (routed to an .invalid name)
    Refused,         // every port refuses the connection
    TlsStall,        // port 443 accepts but never answers the TLS handshake; http: 301 to https
    NotTls,          // port 443 speaks plain http; http: 200
    HangAfterHead,   // the head of a 200 with a body announced, then silence
    BlackHole,       // http: the request is taken and never answered; port 443 as TlsStall
    ToHostPath,      // "/" redirects to http://<target>/home (target as given: UTF-8, %-escapes); others 200
    CookieWall,      // without its cookie: Set-Cookie and 302 to the same URL; with it: 200
    CookieLoop,      // Set-Cookie (always the same) and 302 to the same URL, cookie or not
    TlsAlert,        // port 443 answers the handshake with a handshake-failure alert; http: 301 to https
};

class WebServer {
public:
    WebServer();   // throws std::runtime_error when the CA or a port cannot be made
    ~WebServer();  // stops every server
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // CheckEndpoints::connectTo for the checks: the routes of the hosts with routing rules first, then
    // port 80 and port 443 of every other host to the http and https servers.
    std::vector<std::string> ConnectTo() const;
    // CheckEndpoints::caFile: the PEM file of the CA that issues every certificate here.
    const std::string& CaFile() const;

    // host: ASCII, lower case. target: the host of ToHost.
    void SetRule(std::string host, WebRule rule, std::string target = {});
    // Every answer for host starts after delay.
    void SetDelay(std::string host, std::chrono::milliseconds delay);
    // Every answer of a host without its own delay starts after delay.
    void SetDelayAll(std::chrono::milliseconds delay);
    // The certificate shown for host from now on.
    void SetCertificate(std::string host, CertPlan plan);
    // Forget the rules, delays and certificates set.
    void Clear();

    // The rule of a host without one set: "www." names and the demo's mirror answer 200; the others
    // redirect to https (4 in 10), to www (2 in 10), answer 200 (2 in 10), redirect to the demo's
    // mirror (1 in 10) or answer 404.
    static WebRule DefaultRule(std::string_view host);
    // The host that the demo's redirects to another domain lead to (a Cyrillic name in the .рф zone).
    static std::string DemoMirror();
    // The expiry of a host without a certificate set: a day of next year derived from the name.
    static std::string DefaultExpiry(std::string_view host);

    std::uint16_t HttpPort() const;
    std::uint16_t HttpsPort() const;
    // TLS handshakes that reached the https server (the routed ports not counted).
    std::size_t Handshakes() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace vantle::sim
