// The DNS check against the loopback DNS server: answers of every shape, faults, silence, cancel, and
// several runs at once.
#include <gtest/gtest.h>

#include "support/CancelTiming.h"
#include "support/CaseName.h"

#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dns/DnsCheck.h"
#include "dns/DnsVerdict.h"
#include "dns/NameLookup.h"
#include "sim/DnsServer.h"

namespace vantle {
namespace {

using sim::DnsAnswer;
using sim::DnsMx;
using sim::DnsServer;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr auto kHang = std::chrono::seconds(10);  // generous: a hang, not a slow machine, fails it

CheckEndpoints Endpoints(const std::string& server, long checkMs = 400, long connectMs = 200) {
    CheckEndpoints endpoints;
    endpoints.dnsServers = {server};
    endpoints.checkTimeoutMs = checkMs;
    endpoints.connectTimeoutMs = connectMs;
    return endpoints;
}

std::vector<std::string> RunFor(const CheckEndpoints& endpoints, const std::string& name,
                                const CancelToken& cancel = CancelToken()) {
    DnsCheck check(endpoints);
    return check.Run(DomainNames{name, name, name}, cancel);
}

struct AnswerCase {
    const char* words;
    std::optional<DnsAnswer> answer;  // nullopt: the server's default for the name
    std::string ip;
    std::string mx;
    bool overTcp = false;
};

const std::vector<AnswerCase>& AnswerCases() {
    const DnsMx mail{10, "mail.example.ru"};
    static const std::vector<AnswerCase> cases = {
        {"A with MX", DnsAnswer::records({"198.51.100.7", "198.51.100.8"}, {}, {mail}), "198.51.100.7",
         "yes"},
        {"AAAA only", DnsAnswer::records({}, {"2001:db8::7"}, {mail}), "2001:db8::7", "yes"},
        {"A and AAAA", DnsAnswer::records({"198.51.100.9"}, {"2001:db8::9"}, {mail}), "198.51.100.9", "yes"},
        {"NXDOMAIN", DnsAnswer::nxDomain(), kDnsNxDomain, kDnsMxNo},
        {"no addresses", DnsAnswer::records({}, {}, {mail}), kDnsNoAddress, kDnsMxYes},
        {"SERVFAIL", DnsAnswer::servFail(), kDnsError, kDnsError},
        {"slow within the bound", DnsAnswer::records({"198.51.100.10"}, {}, {mail}).after(milliseconds(60)),
         "198.51.100.10", "yes"},
        {"truncated over UDP, whole over TCP", DnsAnswer::records({"198.51.100.11"}, {}, {mail}).truncated(),
         "198.51.100.11", "yes", true},
        {"cut packet", DnsAnswer::cut(), kDnsError, kDnsError},
        {"null MX", DnsAnswer::records({"198.51.100.12"}, {}, {DnsMx::null()}), "198.51.100.12", kDnsMxNo},
        {"no MX", DnsAnswer::records({"198.51.100.13"}), "198.51.100.13", kDnsMxNo},
        {"default NXDOMAIN of an nx name", std::nullopt, kDnsNxDomain, kDnsMxNo},
    };
    return cases;
}

class DnsCheckAnswers : public ::testing::TestWithParam<std::size_t> {
protected:
    DnsServer server;
};

TEST_P(DnsCheckAnswers, Should_GiveTheCellsOfTheAnswer) {
    const AnswerCase& c = AnswerCases().at(GetParam());
    const std::string name = c.answer ? "case.example.ru" : "nxcase.example.ru";
    if (c.answer) {
        server.set(name, *c.answer);
    }
    EXPECT_EQ(RunFor(Endpoints(server.authority()), name), (std::vector<std::string>{c.ip, c.mx}));
    for (const std::uint16_t type : {sim::kDnsTypeA, sim::kDnsTypeAaaa, sim::kDnsTypeMx}) {
        EXPECT_GE(server.queryCount(name, type), 1u) << type;
    }
    EXPECT_EQ(server.tcpQueryCount() > 0, c.overTcp);
}

INSTANTIATE_TEST_SUITE_P(Cases, DnsCheckAnswers, ::testing::Range<std::size_t>(0, AnswerCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return vantle::testing::CaseName(AnswerCases().at(info.param).words);
                         });

// Servers that give nothing back. Every run must end with error cells; the cancelled one has bounds
// far beyond the test's time-out, so only the token can end it.
struct HostileCase {
    const char* words;
    bool listening;  // false: a port nobody listens on
    long checkMs;
    long connectMs;
    std::optional<milliseconds> cancelAfter;
};

const std::vector<HostileCase>& HostileCases() {
    static const std::vector<HostileCase> cases = {
        {"silent server", true, 300, 200, std::nullopt},
        {"silent server, the check bound below one try", true, 150, 100000, std::nullopt},
        {"nobody listens", false, 300, 200, std::nullopt},
        {"cancel from another thread", true, 600000, 600000, milliseconds(50)},
        {"cancelled before the start", true, 600000, 600000, milliseconds(0)},
    };
    return cases;
}

class DnsCheckHostile : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DnsCheckHostile, Should_EndWithErrorCells) {
    const HostileCase& c = HostileCases().at(GetParam());
    std::optional<DnsServer> server(std::in_place);
    server->setFallback(DnsAnswer::silent());
    const std::string authority = server->authority();
    if (!c.listening) {
        server.reset();
    }
    // A cancel that is not heeded still ends by this token's own deadline, past kHang: the case then
    // fails within its bound instead of hanging for the check's ten minutes.
    CancelToken cancel({}, vantle::SteadyClock().Now() + kHang + std::chrono::seconds(1),
                       vantle::SteadyClock(), nullptr);
    std::thread canceller;
    if (c.cancelAfter == milliseconds(0)) {
        cancel.Cancel();
    } else if (c.cancelAfter) {
        canceller = std::thread([&cancel, wait = *c.cancelAfter] {
            std::this_thread::sleep_for(wait);
            cancel.Cancel();
        });
    }
    const auto start = Clock::now();
    const auto cells = RunFor(Endpoints(authority, c.checkMs, c.connectMs), "silent.example.ru", cancel);
    EXPECT_LT(Clock::now() - start, kHang);
    if (canceller.joinable()) {
        canceller.join();
    }
    EXPECT_EQ(cells, (std::vector<std::string>{kDnsError, kDnsError}));
}

INSTANTIATE_TEST_SUITE_P(Cases, DnsCheckHostile, ::testing::Range<std::size_t>(0, HostileCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return vantle::testing::CaseName(HostileCases().at(info.param).words);
                         });

// A cancel wakes each wait of the check at once, far within the wait's own time-out (30 s); the token's
// own deadline, past the bound, ends a wait that the cancel does not wake.
struct WakeCase {
    const char* words;
    bool paceTaken;  // another look-up holds the resolver's one place: the check waits in line
};

class DnsCheckWakes : public ::testing::TestWithParam<WakeCase> {};

TEST_P(DnsCheckWakes, Should_EndAtOnce_When_CancelledInTheWait) {
    const WakeCase& c = GetParam();
    DnsServer server;
    server.setFallback(DnsAnswer::silent());
    Pacer pacer(vantle::SteadyClock(), {{"dns", {0, 1}}}, nullptr);
    std::optional<Limiter::Lease> held;
    if (c.paceTaken) {
        held = pacer.For("dns")->Acquire(vantle::SteadyClock().Now(), {});
        ASSERT_TRUE(held);
    }
    CancelToken cancel({}, vantle::SteadyClock().Now() + std::chrono::seconds(5), vantle::SteadyClock(),
                       &pacer);
    const auto outcome = vantle::testing::TimeTheCancel(
        [&] { return RunFor(Endpoints(server.authority(), 30000, 30000), "silent.example.ru", cancel); },
        [&] { return c.paceTaken ? pacer.For("dns")->Waiting() > 0 : server.queryCount() > 0; },
        [&] { cancel.Cancel(); }, [&] { held.reset(); });
    EXPECT_TRUE(outcome.entered);
    ASSERT_TRUE(outcome.took) << "not within " << vantle::testing::kCancelBound.count() << " ms";
    EXPECT_EQ(outcome.result, (std::vector<std::string>{kDnsError, kDnsError}));
    EXPECT_EQ(server.queryCount() > 0, !c.paceTaken);
}

INSTANTIATE_TEST_SUITE_P(Waits, DnsCheckWakes,
                         ::testing::Values(WakeCase{"the resolver's answer", false},
                                           WakeCase{"a place in the resolver's pace", true}),
                         [](const ::testing::TestParamInfo<WakeCase>& info) {
                             return vantle::testing::CaseName(info.param.words);
                         });

// Runs on several threads at once, one check instance each, give what single runs give.
TEST(DnsCheckThreads, Should_GiveTheSameCells_When_RunsOverlap) {
    DnsServer server;
    server.setDelay(milliseconds(20));
    const CheckEndpoints endpoints = Endpoints(server.authority(), 2000, 1000);
    std::vector<std::string> names;
    for (int i = 0; i < 24; ++i) {
        names.push_back("site" + std::to_string(i) + ".example.ru");
    }
    std::vector<std::vector<std::string>> alone;
    for (const auto& name : names) {
        alone.push_back(RunFor(endpoints, name));
    }
    constexpr std::size_t kThreads = 4;
    std::vector<std::future<std::vector<std::vector<std::string>>>> runs;
    for (std::size_t t = 0; t < kThreads; ++t) {
        runs.push_back(std::async(std::launch::async, [&, t] {
            DnsCheck check(endpoints);
            std::vector<std::vector<std::string>> cells;
            for (std::size_t i = t; i < names.size(); i += kThreads) {
                cells.push_back(check.Run(DomainNames{names[i], names[i], names[i]}, CancelToken()));
            }
            return cells;
        }));
    }
    for (std::size_t t = 0; t < kThreads; ++t) {
        const auto cells = runs[t].get();
        for (std::size_t i = t, k = 0; i < names.size(); i += kThreads, ++k) {
            EXPECT_EQ(cells.at(k), alone[i]) << names[i];
        }
    }
}

}  // namespace
}  // namespace vantle

namespace vantle {
namespace {

// Each query of a look-up counts against the resolver's pace: a name with its MX is three queries, a
// host that a redirect leads to is two (A and AAAA); at one query a second the next look-up may start
// that many seconds later, not one.
struct QueryCountCase {
    bool withMx;
    long nextFreeMs;
};

TEST(DnsPaceTest, EveryQueryTakesItsPlace) {
    DnsServer server;
    const QueryCountCase cases[] = {{true, 3000}, {false, 2000}};
    for (const QueryCountCase& c : cases) {
        VirtualClock clock;
        Pacer pacer(clock, {{"dns", {1, 0}}}, nullptr);
        const CancelToken token({}, clock.Now() + std::chrono::seconds(20), clock, &pacer);
        LookUpName("paced.example.ru", Endpoints(server.authority(), 2000, 1000), token, c.withMx);
        const std::shared_ptr<Limiter> dns = pacer.For("dns");
        clock.Advance(milliseconds(c.nextFreeMs - 1));
        EXPECT_FALSE(dns->Acquire(clock.Now(), {})) << c.withMx;
        clock.Advance(milliseconds(1));
        EXPECT_TRUE(dns->Acquire(clock.Now(), {})) << c.withMx;
    }
}

}  // namespace
}  // namespace vantle
