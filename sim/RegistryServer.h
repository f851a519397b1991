#pragma once
// The loopback stand-in for the registries: an HTTP side with IANA's RDAP bootstrap file at
// /rdap/dns.json (listing com, net, org, test and example with its own /rdap/ base) and RDAP answers at
// /rdap/domain/<name>, and a WHOIS port. Every WHOIS connection of the check comes to the one port, so
// the port answers by the query: a bare zone ("com") as IANA does (a "refer:" line), a name of .ru,
// .su or .xn--p1ai as the .ru registry does, any other name as a generic top-level registry does.
//
// Every name has made-up but fixed facts (Facts) from the FNV-1a hash of its lower-case form, so that
// the demo always shows the same table; tests set exact answers for single names.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/CheckEndpoints.h"
#include "sim/TestServer.h"

namespace vantle::sim {

// What the WHOIS port says to one query.
struct WhoisReply {
    std::string text;
    bool endless = false;                // the text again and again until the client goes away
    std::chrono::milliseconds delay{0};  // before the first byte

    static WhoisReply Text(std::string text);
    // The .ru registry's notice for a client that asks too often.
    static WhoisReply Limit();
    static WhoisReply Endless();
    // Nothing for delay, then text.
    static WhoisReply Slow(std::chrono::milliseconds delay, std::string text = "% late\n");
};

// The registration of a name as the simulator tells it (UTF-8).
struct RegistryFacts {
    bool free = false;
    std::string created;  // YYYY-MM-DD
    std::string expires;
    std::string registrar;
};

class RegistryServer {
public:
    RegistryServer();   // throws std::runtime_error when a port or the cache folder cannot be made
    ~RegistryServer();  // stops both sides and removes its cache folder
    RegistryServer(const RegistryServer&) = delete;
    RegistryServer& operator=(const RegistryServer&) = delete;

    // Points the registration check here: the bootstrap URL, the WHOIS servers and every WHOIS
    // connection, and a cache folder of its own (empty at the start).
    void Apply(CheckEndpoints& endpoints) const;
    const std::string& CacheDir() const;
    std::string BootstrapUrl() const;  // http://127.0.0.1:<port>/rdap/dns.json
    std::string RdapBase() const;      // http://127.0.0.1:<port>/rdap/
    std::uint16_t WhoisPort() const;

    // The facts of a name without an answer set: free when its first label starts with "free" or its
    // hash says so (1 in 8); else created in 1995..2022, expiring in 2026..2029, with one of a few
    // registrars (one of them with a Cyrillic name). A name whose first label starts with "intl" is
    // registered, with a registrar whose name Windows-1251 cannot hold.
    static RegistryFacts Facts(std::string_view name);
    // The default RDAP answer of a registered name; the default WHOIS answers.
    static std::string RdapJson(std::string_view name, const RegistryFacts& facts);
    static std::string RuWhois(std::string_view name, const RegistryFacts& facts);
    static std::string GenericWhois(std::string_view name, const RegistryFacts& facts);
    static std::string IanaWhois(std::string_view zone);

    // The bootstrap file's answer from now on; nullopt: the default again.
    void SetBootstrap(std::optional<Reply> reply);
    // The answers for /rdap/domain/<name>, one per request in turn, the last one for every request after.
    void SetRdap(std::string name, std::vector<Reply> replies);
    // The answer to the WHOIS query (a zone or a name, lower case).
    void SetWhois(std::string query, WhoisReply reply);

    // Canned RDAP answers.
    static Reply Json(std::string_view body);            // 200, application/rdap+json
    static Reply TooMany(int retryAfterSeconds);         // 429 with Retry-After
    static Reply NotJson();                              // 200 with an HTML page
    static Reply Deep(std::size_t depth = 100000);       // 200, arrays nested depth deep
    static Reply Huge();                                 // 200 announcing 64 MiB, 2 MiB of it sent
    static Reply Slow(std::chrono::milliseconds delay);  // an answer without events, after delay

    std::size_t BootstrapRequests() const;
    std::size_t RdapRequests(std::string_view name) const;
    std::size_t WhoisQueries(std::string_view query) const;
    // When each WHOIS query came, in order (the log a pace is measured on).
    std::vector<std::chrono::steady_clock::time_point> WhoisTimes() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace vantle::sim
