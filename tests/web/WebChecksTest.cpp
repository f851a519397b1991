// The web and certificate checks against the loopback web simulator: every cell text, and the hostile
// hosts, each ending with its own short text within short bounds.
#include <gtest/gtest.h>

#include "support/CaseName.h"

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "dns/DnsCheck.h"
#include "sim/DnsServer.h"
#include "sim/WebServer.h"
#include "web/SslCheck.h"
#include "web/WebCheck.h"

namespace vantle {
namespace {

using sim::CertPlan;
using sim::DnsAnswer;
using sim::DnsServer;
using sim::WebRule;
using sim::WebServer;
using std::chrono::milliseconds;

class WebChecks : public ::testing::Test {
protected:
    // Every name has an address, unless a test says otherwise: the web server's rules decide.
    static void SetUpTestSuite() {
        server = std::make_unique<WebServer>();
        dns = std::make_unique<DnsServer>();
        dns->setFallback(DnsAnswer::records({"127.0.0.1"}));
    }
    static void TearDownTestSuite() {
        server.reset();
        dns.reset();
    }

    static CheckEndpoints Endpoints(long boundMs) {
        CheckEndpoints endpoints;
        endpoints.dnsServers = {dns->authority()};
        endpoints.connectTo = server->ConnectTo();
        endpoints.caFile = server->CaFile();
        endpoints.connectTimeoutMs = boundMs;
        endpoints.checkTimeoutMs = boundMs;
        endpoints.maxBody = 64 * 1024;
        return endpoints;
    }

    static DomainNames Names(const std::string& host) { return {host, host, host}; }

    static inline std::unique_ptr<WebServer> server;
    static inline std::unique_ptr<DnsServer> dns;
};

constexpr long kBound = 2000;   // never reached by a host that answers
constexpr long kHostile = 300;  // what a host that never finishes gets

struct WebCase {
    const char* host;
    WebRule rule;
    std::string http;
    std::string mirror;
    std::string target = {};
};

std::vector<WebCase> WebCases() {
    return {
        {"ok.test", WebRule::Ok, "200", ""},
        {"missing.test", WebRule::NotFound, "404", ""},
        {"secure.test", WebRule::ToHttps, "200", "https"},
        {"plain.test", WebRule::ToWww, "200", "www"},
        {"chain.test", WebRule::HttpsThenWww, "200", "www"},
        {"www.back.test", WebRule::ToHost, "200", "www", "back.test"},
        {"away.test", WebRule::ToHost, "200", "\xf1\xe0\xe9\xf2-\xe7\xe5\xf0\xea\xe0\xeb\xee.\xf0\xf4",
         WebServer::DemoMirror()},
        {"relative.test", WebRule::Relative, "200", ""},
        {"loop.test", WebRule::Loop, "loop", ""},
        {"endless.test", WebRule::Endless, "loop", ""},
        {"ftp.test", WebRule::ToFtp, "bad redirect", ""},
        {"nx.test", WebRule::NoAddress, "no address", ""},
        {"refused.test", WebRule::Refused, "refused", ""},
        {"silent.test", WebRule::NoAnswer, "no answer", ""},
        {"huge.test", WebRule::HugeBody, "200", ""},
        {"wall.test", WebRule::CookieWall, "200", ""},
        {"cookieloop.test", WebRule::CookieLoop, "loop", ""},
        {"tlsalert.test", WebRule::TlsAlert, "TLS error", "https"},
    };
}

class WebCheckTable : public WebChecks, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(WebCheckTable, Should_GiveTheHttpAndMirrorCells) {
    const WebCase c = WebCases().at(GetParam());
    server->SetRule(c.host, c.rule, c.target);
    if (!c.target.empty()) {
        server->SetRule(c.target, WebRule::Ok);
    }
    WebCheck check(Endpoints(kBound));
    const CancelToken cancel;
    EXPECT_EQ(check.Run(Names(c.host), cancel), (std::vector<std::string>{c.http, c.mirror}));
}

INSTANTIATE_TEST_SUITE_P(Cases, WebCheckTable, ::testing::Range<std::size_t>(0, WebCases().size()),
                         [](const auto& info) { return testing::CaseName(WebCases().at(info.param).host); });

// Redirects to Cyrillic hosts written in UTF-8 or %-escapes, in a process that never set its locale.
TEST_F(WebChecks, Should_FollowCyrillicRedirectsInTheirAsciiForm) {
    const std::string site = "xn--80aswg.xn--p1ai";       // сайт.рф
    const std::string example = "xn--e1afmkfd.xn--p1ai";  // пример.рф
    server->SetRule(site, WebRule::ToHostPath,
                    "\xd0\xa1\xd0\x90\xd0\x99\xd0\xa2.\xd1\x80\xd1\x84");                // САЙТ.рф
    server->SetRule(example, WebRule::ToHostPath, "%D0%B4%D1%80%D1%83%D0%B3.xn--p1ai");  // друг.рф
    server->SetRule("xn--c1ab0bm.xn--p1ai", WebRule::Ok);
    WebCheck check(Endpoints(kBound));
    EXPECT_EQ(check.Run(Names(site), CancelToken()), (std::vector<std::string>{"200", ""}));
    EXPECT_EQ(check.Run(Names(example), CancelToken()),
              (std::vector<std::string>{"200", "\xe4\xf0\xf3\xe3.\xf0\xf4"}));
}

TEST_F(WebChecks, Should_SayTlsErrorAndHttps_When_TheHttpsHopFailsVerification) {
    server->SetRule("untrusted.test", WebRule::ToHttps);
    server->SetCertificate("untrusted.test", {CertPlan::Kind::SelfSigned, "2030-01-01"});
    WebCheck check(Endpoints(kBound));
    EXPECT_EQ(check.Run(Names("untrusted.test"), CancelToken()),
              (std::vector<std::string>{"TLS error", "https"}));
}

struct SslCase {
    const char* host;
    std::optional<CertPlan> plan;
    WebRule rule;
    std::string cell;
    long bound = kBound;
};

std::vector<SslCase> SslCases() {
    using Kind = CertPlan::Kind;
    return {
        {"valid.test", CertPlan{Kind::Valid, "2031-04-05"}, WebRule::Ok, "2031-04-05"},
        {"expired.test", CertPlan{Kind::Valid, "2021-03-04"}, WebRule::Ok, "invalid 2021-03-04"},
        {"othername.test", CertPlan{Kind::OtherName, "2030-01-02"}, WebRule::Ok, "invalid 2030-01-02"},
        {"selfsigned.test", CertPlan{Kind::SelfSigned, "2029-07-08"}, WebRule::Ok, "invalid 2029-07-08"},
        {"default.test", std::nullopt, WebRule::Ok, WebServer::DefaultExpiry("default.test")},
        {"nottls.test", std::nullopt, WebRule::NotTls, "no https"},
        {"closed.test", std::nullopt, WebRule::Refused, "no https"},
        {"nowhere.test", std::nullopt, WebRule::NoAddress, "no address"},
        {"stall.test", std::nullopt, WebRule::TlsStall, "timeout", kHostile},
        {"alert.test", std::nullopt, WebRule::TlsAlert, "TLS error"},
    };
}

class SslCheckTable : public WebChecks, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(SslCheckTable, Should_GiveTheSslCell) {
    const SslCase c = SslCases().at(GetParam());
    server->SetRule(c.host, c.rule);
    if (c.plan) {
        server->SetCertificate(c.host, *c.plan);
    }
    SslCheck check(Endpoints(c.bound));
    EXPECT_EQ(check.Run(Names(c.host), CancelToken()), std::vector<std::string>{c.cell});
}

INSTANTIATE_TEST_SUITE_P(Cases, SslCheckTable, ::testing::Range<std::size_t>(0, SslCases().size()),
                         [](const auto& info) { return testing::CaseName(SslCases().at(info.param).host); });

// Hosts that never finish an answer: each check ends with its short text once its bound is spent.
struct HostileCase {
    const char* host;
    WebRule rule;
    std::string http;
};

std::vector<HostileCase> HostileCases() {
    return {
        {"headers.test", WebRule::EndlessHeaders, "no answer"},
        {"trickle.test", WebRule::Trickle, "timeout"},
        {"hugebody.test", WebRule::HugeBody, "200"},
        {"loops.test", WebRule::Loop, "loop"},
        {"tlsstall.test", WebRule::TlsStall, "timeout"},
    };
}

class WebCheckHostile : public WebChecks, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(WebCheckHostile, Should_EndWithItsShortText) {
    const HostileCase c = HostileCases().at(GetParam());
    server->SetRule(c.host, c.rule);
    WebCheck check(Endpoints(kHostile));
    EXPECT_EQ(check.Run(Names(c.host), CancelToken()).at(0), c.http);
}

INSTANTIATE_TEST_SUITE_P(Cases, WebCheckHostile, ::testing::Range<std::size_t>(0, HostileCases().size()),
                         [](const auto& info) {
                             return testing::CaseName(HostileCases().at(info.param).host);
                         });

TEST_F(WebChecks, Should_SayCancelled_When_TheRunIsNoLongerWanted) {
    server->SetRule("cancelled.test", WebRule::Trickle);
    server->SetRule("cancelled-tls.test", WebRule::TlsStall);
    CancelToken cancel;
    cancel.Cancel();
    EXPECT_EQ(WebCheck(Endpoints(kBound)).Run(Names("cancelled.test"), cancel).at(0), "cancelled");
    EXPECT_EQ(SslCheck(Endpoints(kBound)).Run(Names("cancelled-tls.test"), cancel).at(0), "cancelled");
}

// Twelve parked names on one address that answers each in 250 ms, two connections at once: the last pair
// waits 1250 ms for its places, past the check's 1000 ms, yet none says "timeout" (the time in line is
// not the check's); a name that is itself slower than the bound still is.
TEST_F(WebChecks, Should_NotCountTheWaitForAPlaceAtASharedAddress) {
    constexpr long kParkedBound = 1000;
    Pacer pacer(SteadyClock(), {{"web:", {0, 2}}}, nullptr);
    const auto token = [&] {
        return std::make_unique<CancelToken>(
            std::stop_token(), SteadyClock().Now() + milliseconds(kParkedBound), SteadyClock(), &pacer);
    };
    std::vector<std::string> cells(12);
    std::vector<std::thread> checks;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::string host = "parked" + std::to_string(i) + ".test";
        server->SetRule(host, WebRule::Ok);
        server->SetDelay(host, milliseconds(250));
        checks.emplace_back(
            [&, i, host] { cells[i] = WebCheck(Endpoints(kParkedBound)).Run(Names(host), *token()).at(0); });
    }
    for (std::thread& check : checks) {
        check.join();
    }
    EXPECT_EQ(cells, std::vector<std::string>(12, "200"));
    server->SetRule("slow-parked.test", WebRule::Ok);
    server->SetDelay("slow-parked.test", milliseconds(1200));
    EXPECT_EQ(WebCheck(Endpoints(kParkedBound)).Run(Names("slow-parked.test"), *token()).at(0), "timeout");
}

// The connections go where the DNS says, and nowhere when it says nothing: the routes below change
// the port alone, so the address connected to is the one the DNS server gave.
struct PinCase {
    std::string host;
    DnsAnswer answer;
    std::string http;
    std::string ssl;
};

const std::vector<PinCase>& PinCases() {
    static const std::vector<PinCase> cases = {
        {"pinned.test", DnsAnswer::records({"127.0.0.1"}), "200", "2031-01-01"},
        // The server listens on IPv4 only: the IPv6 address is tried and refused.
        {"pinned-v6.test", DnsAnswer::records({}, std::vector<std::string>{"::1"}), "refused", "no https"},
        {"elsewhere.test", DnsAnswer::records({"127.0.0.2"}), "refused", "no https"},
        {"nx-pinned.test", DnsAnswer::nxDomain(), "no address", "no address"},
        {"empty-pinned.test", DnsAnswer::records({}), "no address", "no address"},
        {"broken-pinned.test", DnsAnswer::servFail(), "DNS error", "DNS error"},
        {"silent-pinned.test", DnsAnswer::silent(), "DNS error", "DNS error"},
    };
    return cases;
}

class PinnedAddressTable : public WebChecks, public ::testing::WithParamInterface<std::size_t> {
protected:
    static CheckEndpoints PortOnlyRoutes() {
        CheckEndpoints endpoints = Endpoints(600);
        endpoints.connectTo = {":80::" + std::to_string(server->HttpPort()),
                               ":443::" + std::to_string(server->HttpsPort())};
        return endpoints;
    }
};

TEST_P(PinnedAddressTable, Should_ConnectToWhatTheDnsSays) {
    const PinCase& c = PinCases().at(GetParam());
    server->SetRule(c.host, WebRule::Ok);
    server->SetCertificate(c.host, {CertPlan::Kind::Valid, "2031-01-01"});
    dns->set(c.host, c.answer);
    EXPECT_EQ(WebCheck(PortOnlyRoutes()).Run(Names(c.host), CancelToken()).at(0), c.http);
    EXPECT_EQ(SslCheck(PortOnlyRoutes()).Run(Names(c.host), CancelToken()).at(0), c.ssl);
}

INSTANTIATE_TEST_SUITE_P(Cases, PinnedAddressTable, ::testing::Range<std::size_t>(0, PinCases().size()),
                         [](const auto& info) { return testing::CaseName(PinCases().at(info.param).host); });

// A redirect to another host asks the DNS about that host too.
TEST_F(WebChecks, Should_SayNoAddress_When_ARedirectLeadsToANameTheDnsDoesNotKnow) {
    server->SetRule("to-nowhere.test", WebRule::ToHost, "nx-target.test");
    dns->set("nx-target.test", DnsAnswer::nxDomain());
    EXPECT_EQ(WebCheck(Endpoints(kBound)).Run(Names("to-nowhere.test"), CancelToken()).at(0), "no address");
}

// The DNS check and the connections of one domain take one answer: the name is asked once.
TEST_F(WebChecks, Should_AskTheDnsOnce_When_TheChecksOfADomainShareIt) {
    const std::string host = "shared-answer.test";
    DomainNames names = Names(host);
    names.facts = std::make_shared<DomainFacts>();
    const CheckEndpoints endpoints = Endpoints(kBound);
    EXPECT_EQ(DnsCheck(endpoints).Run(names, CancelToken()).at(0), "127.0.0.1");
    EXPECT_EQ(WebCheck(endpoints).Run(names, CancelToken()).at(0), "200");
    EXPECT_EQ(SslCheck(endpoints).Run(names, CancelToken()).size(), 1u);
    EXPECT_EQ(dns->queryCount(host, sim::kDnsTypeA), 1u);
    EXPECT_EQ(WebCheck(endpoints).Run(Names(host), CancelToken()).at(0), "200");
    EXPECT_EQ(dns->queryCount(host, sim::kDnsTypeA), 2u);
}

}  // namespace
}  // namespace vantle
