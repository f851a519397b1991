#pragma once
// A loopback DNS server for tests, benchmarks and the demo: UDP and TCP on one port of 127.0.0.1 chosen
// by the system (or a given one), served on its own thread until it is destroyed.
//
// Every name has a made-up but fixed answer (defaultAnswer), from the FNV-1a hash h of the lower-case
// name:
//   - NXDOMAIN when the first label starts with "nx", or when h % 40 == 7;
//   - otherwise A 198.51.100.<1 + h % 250>, except h % 10 == 3: AAAA 2001:db8::<1 + h % 250> only,
//     and h % 10 == 5: both;
//   - MX 10 "mail.<name>", except h % 6 == 1: no MX.
// Tests replace the answer of single names (set), or of every other name (setFallback), and may slow
// every answer down (setDelay).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantle::sim {

inline constexpr std::uint16_t kDnsTypeA = 1;
inline constexpr std::uint16_t kDnsTypeMx = 15;
inline constexpr std::uint16_t kDnsTypeAaaa = 28;

struct DnsMx {
    std::uint16_t preference = 10;
    std::string exchange;  // "" is the root: with preference 0, a null MX

    static DnsMx null() { return DnsMx{0, ""}; }
};

// What the server answers for one name, whatever type is asked.
struct DnsAnswer {
    enum class Kind {
        Records,   // the records below of the asked type; none of it: NOERROR without answers
        NxDomain,  // RCODE 3
        ServFail,  // RCODE 2
        Cut,       // one record of the asked type (the given one or a made-up one), cut off in its data
        Silent,    // nothing at all, over UDP or TCP
    };
    Kind kind = Kind::Records;
    std::vector<std::string> a;     // dotted IPv4
    std::vector<std::string> aaaa;  // textual IPv6
    std::vector<DnsMx> mx;
    bool truncateUdp = false;            // over UDP an empty answer with TC set; the whole one over TCP
    std::chrono::milliseconds delay{0};  // before answering (on top of the server's delay)

    static DnsAnswer records(std::vector<std::string> a, std::vector<std::string> aaaa = {},
                             std::vector<DnsMx> mx = {});
    static DnsAnswer nxDomain() { return of(Kind::NxDomain); }
    static DnsAnswer servFail() { return of(Kind::ServFail); }
    static DnsAnswer cut() { return of(Kind::Cut); }
    static DnsAnswer silent() { return of(Kind::Silent); }
    static DnsAnswer of(Kind kind);

    DnsAnswer& after(std::chrono::milliseconds wait);
    DnsAnswer& truncated();
};

class DnsServer {
public:
    // port 0: a free port chosen by the system. Another port is taken as it is, for clients that know
    // only port 53; when it is held or not permitted the constructor throws asio::system_error.
    explicit DnsServer(std::uint16_t port = 0);
    ~DnsServer();  // stops serving, drops the answers still waiting, joins the thread
    DnsServer(const DnsServer&) = delete;
    DnsServer& operator=(const DnsServer&) = delete;

    std::uint16_t port() const;
    // "127.0.0.1:<port>"
    std::string authority() const;

    // The answer for name (any case, without the final dot) from now on.
    void set(std::string_view name, DnsAnswer answer);
    // The answer for every name without its own; nullopt: the default answers again.
    void setFallback(std::optional<DnsAnswer> answer);
    // Waited before every answer, on top of the answer's own delay.
    void setDelay(std::chrono::milliseconds delay);

    // The answer of a name that no test has set.
    static DnsAnswer defaultAnswer(std::string_view name);

    // Queries received so far, over UDP and TCP: all, of one name, of one name and type; over TCP.
    std::size_t queryCount() const;
    std::size_t queryCount(std::string_view name) const;
    std::size_t queryCount(std::string_view name, std::uint16_t type) const;
    std::size_t tcpQueryCount() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace vantle::sim
