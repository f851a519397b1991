// The registration check against the loopback registries: RDAP zones, the .ru registry's WHOIS, WHOIS
// through IANA's referral, the bootstrap file's cache, and hostile answers that end with their cells
// within short bounds.
#include <gtest/gtest.h>

#include "support/CancelTiming.h"
#include "support/CaseName.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "registry/RdapBootstrap.h"
#include "registry/RegistryCheck.h"
#include "sim/RegistryServer.h"
#include "text/Cp1251.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

using sim::RegistryServer;
using sim::Reply;
using sim::WhoisReply;
using std::chrono::milliseconds;
using Cells = std::vector<std::string>;

constexpr long kBound = 2000;   // never reached by an answer that comes
constexpr long kHostile = 300;  // what an answer that never comes gets

class RegistryChecks : public ::testing::Test {
protected:
    CheckEndpoints Endpoints(long boundMs = kBound) const {
        CheckEndpoints endpoints;
        server.Apply(endpoints);
        endpoints.connectTimeoutMs = boundMs;
        endpoints.checkTimeoutMs = boundMs;
        endpoints.maxRetryAfterMs = 1000;
        return endpoints;
    }

    static Cells Run(RegistryCheck& check, const std::string& name) {
        return check.Run({name, name, name}, CancelToken());
    }

    static Cells Expected(const std::string& domain) {
        const sim::RegistryFacts facts = RegistryServer::Facts(domain);
        return facts.free ? Cells{"free", "", ""}
                          : Cells{facts.created, facts.expires, Utf8ToCp1251(facts.registrar)};
    }

    RegistryServer server;
};

TEST_F(RegistryChecks, Should_GiveTheSimulatorsFacts_OverEveryWay) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"mail.alpha.com", "alpha.com"},                                         // RDAP
        {"beta.org", "beta.org"},         {"www.freebie.test", "freebie.test"},  // RDAP 404
        {"alpha.ru", "alpha.ru"},                                                // the .ru registry's WHOIS
        {"www.gamma.su", "gamma.su"},     {"xn--80ak6aa92e.xn--p1ai", "xn--80ak6aa92e.xn--p1ai"},
        {"free-one.ru", "free-one.ru"},   {"delta.info", "delta.info"},  // WHOIS through IANA's referral
        {"freebie.info", "freebie.info"},
    };
    RegistryCheck check(Endpoints());
    for (const auto& [name, domain] : cases) {
        EXPECT_EQ(Run(check, name), Expected(domain)) << name;
    }
    EXPECT_FALSE(RegistryServer::Facts("alpha.com").free);
    EXPECT_FALSE(RegistryServer::Facts("alpha.ru").free);
    EXPECT_FALSE(RegistryServer::Facts("delta.info").free);
    EXPECT_EQ(server.RdapRequests("alpha.com"), 1u);
    EXPECT_EQ(server.WhoisQueries("alpha.ru"), 1u);
}

TEST_F(RegistryChecks, Should_AskTheRegistryUnderThePublicSuffix_NotTheNameAbove) {
    RegistryCheck check(Endpoints());
    EXPECT_EQ(Run(check, "www.shop.com.ru"), Expected("shop.com.ru"));
    EXPECT_EQ(Run(check, "shop.uk.com"), Expected("shop.uk.com"));
    EXPECT_EQ(Run(check, "shop.net.ru"), Expected("shop.net.ru"));  // at the server of net.ru, org.ru, pp.ru
    EXPECT_EQ(Run(check, "shop.gov.ru"), (Cells{"no whois", "", ""}));
    EXPECT_EQ(server.WhoisQueries("shop.com.ru"), 1u);
    EXPECT_EQ(server.WhoisQueries("shop.uk.com"), 1u);
    EXPECT_EQ(server.WhoisQueries("com.ru"), 0u);
    EXPECT_EQ(server.WhoisQueries("uk.com"), 0u);
    EXPECT_EQ(server.WhoisQueries("com"), 0u);  // not through IANA's referral
    EXPECT_EQ(server.WhoisQueries("shop.net.ru"), 1u);
    EXPECT_EQ(server.WhoisQueries("shop.gov.ru"), 0u);
    EXPECT_EQ(server.WhoisQueries("net.ru"), 0u);
}

struct HostileCase {
    const char* name;
    std::function<void(RegistryServer&)> arrange;
    Cells cells;
    long bound = kBound;
};

TEST_F(RegistryChecks, Should_EndWithItsCell_When_TheAnswerIsHostile) {
    const std::string rdap =
        R"({"events":[{"eventAction":"registration","eventDate":"2001-02-03T04:05:06Z"}]})";
    const std::vector<HostileCase> cases = {
        {"again.com",
         [&](auto& s) {
             s.SetRdap("again.com", {RegistryServer::TooMany(0), RegistryServer::Json(rdap)});
         },
         {"2001-02-03", "", ""}},
        {"busy.com",
         [](auto& s) { s.SetRdap("busy.com", {RegistryServer::TooMany(0)}); },
         {"rate limited", "", ""}},
        {"later.com",
         [](auto& s) { s.SetRdap("later.com", {RegistryServer::TooMany(3600)}); },
         {"rate limited", "", ""}},
        {"html.com",
         [](auto& s) { s.SetRdap("html.com", {RegistryServer::NotJson()}); },
         {"bad answer", "", ""}},
        {"deep.com",
         [](auto& s) { s.SetRdap("deep.com", {RegistryServer::Deep()}); },
         {"bad answer", "", ""}},
        {"huge.com",
         [](auto& s) { s.SetRdap("huge.com", {RegistryServer::Huge()}); },
         {"bad answer", "", ""}},
        {"slow.com",
         [](auto& s) { s.SetRdap("slow.com", {RegistryServer::Slow(milliseconds(5000))}); },
         {"timeout", "", ""},
         kHostile},
        {"limited.ru",
         [](auto& s) { s.SetWhois("limited.ru", WhoisReply::Limit()); },
         {"rate limited", "", ""}},
        {"endless.ru",
         [](auto& s) { s.SetWhois("endless.ru", WhoisReply::Endless()); },
         {"bad answer", "", ""}},
        {"slow.ru",
         [](auto& s) { s.SetWhois("slow.ru", WhoisReply::Slow(milliseconds(5000))); },
         {"timeout", "", ""},
         kHostile},
        {"x.zz", [](auto& s) { s.SetWhois("zz", WhoisReply::Text("domain: ZZ\n")); }, {"no whois", "", ""}},
        {"co.uk", [](auto&) {}, {"no domain", "", ""}},
    };
    for (const HostileCase& c : cases) {
        c.arrange(server);
        RegistryCheck check(Endpoints(c.bound));
        EXPECT_EQ(Run(check, c.name), c.cells) << c.name;
    }
    EXPECT_EQ(server.RdapRequests("again.com"), 2u);
    EXPECT_EQ(server.RdapRequests("busy.com"), 2u);
    EXPECT_EQ(server.RdapRequests("later.com"), 1u);
}

TEST_F(RegistryChecks, Should_AskIanaOnce_When_TwoNamesShareAZone) {
    RegistryCheck check(Endpoints());
    EXPECT_EQ(Run(check, "one.info"), Expected("one.info"));
    EXPECT_EQ(Run(check, "two.info"), Expected("two.info"));
    EXPECT_EQ(server.WhoisQueries("info"), 1u);
    EXPECT_EQ(server.WhoisQueries("two.info"), 1u);
}

// Names of one zone checked at once while IANA is slow to answer: one referral is asked, the other
// names wait for it.
TEST_F(RegistryChecks, Should_AskIanaOncePerZone_When_ItsNamesAreCheckedAtOnce) {
    server.SetWhois("info", WhoisReply::Slow(milliseconds(300), RegistryServer::IanaWhois("info")));
    RegistryCheck check(Endpoints());
    std::vector<Cells> cells(6);
    std::vector<std::thread> checks;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        checks.emplace_back([&, i] { cells[i] = Run(check, "at-once" + std::to_string(i) + ".info"); });
    }
    for (std::thread& t : checks) {
        t.join();
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(cells[i], Expected("at-once" + std::to_string(i) + ".info")) << i;
    }
    EXPECT_EQ(server.WhoisQueries("info"), 1u);
}

// A redirect of an RDAP server is asked under the pace of the host it leads to, not the first one's.
TEST_F(RegistryChecks, Should_AskARedirectUnderThePaceOfItsHost) {
    const std::string target = server.RdapBase();
    const std::string moved = "http://localhost" + target.substr(target.find(':', 5)) + "domain/alpha.com";
    server.SetRdap(
        "alpha.com",
        {Reply::http(301, "", {{"Location", moved}}),
         RegistryServer::Json(RegistryServer::RdapJson("alpha.com", RegistryServer::Facts("alpha.com")))});
    VirtualClock clock;
    Pacer pacer(clock, {{"rdap:", {1, 0}}}, nullptr);
    RegistryCheck check(Endpoints());
    CancelToken token({}, clock.Now() + std::chrono::seconds(20), clock, &pacer);
    // A hop asked again under a pace that waits on the virtual clock would wait for ever: the watchdog
    // ends it.
    std::jthread watchdog([&token](std::stop_token done) {
        std::mutex mutex;
        std::unique_lock lock(mutex);
        std::condition_variable_any().wait_for(lock, done, std::chrono::seconds(10), [] { return false; });
        token.Cancel();
    });
    EXPECT_EQ(check.Run({"alpha.com", "alpha.com", "alpha.com"}, token), Expected("alpha.com"));
    watchdog.request_stop();
    EXPECT_EQ(server.RdapRequests("alpha.com"), 2u);
    EXPECT_FALSE(pacer.For("rdap:127.0.0.1")->Acquire(clock.Now(), {}));
    EXPECT_FALSE(pacer.For("rdap:localhost")->Acquire(clock.Now(), {})) << "the redirect took no place";
}

TEST_F(RegistryChecks, Should_KeepTheBootstrapFileAWeek) {
    const CheckEndpoints endpoints = Endpoints();
    RegistryCheck first(endpoints);
    EXPECT_EQ(Run(first, "alpha.com"), Expected("alpha.com"));
    RegistryCheck second(endpoints);
    EXPECT_EQ(Run(second, "beta.com"), Expected("beta.com"));
    EXPECT_EQ(server.BootstrapRequests(), 1u);

    const auto file = registry::BootstrapCacheFile(endpoints);
    std::filesystem::last_write_time(
        file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(8 * 24));
    RegistryCheck third(endpoints);
    EXPECT_EQ(Run(third, "alpha.com"), Expected("alpha.com"));
    EXPECT_EQ(server.BootstrapRequests(), 2u);

    // An old copy stands in for a file that cannot be had.
    std::filesystem::last_write_time(
        file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(8 * 24));
    server.SetBootstrap(RegistryServer::NotJson());
    RegistryCheck fourth(endpoints);
    EXPECT_EQ(Run(fourth, "alpha.com"), Expected("alpha.com"));
    EXPECT_EQ(server.BootstrapRequests(), 3u);
    EXPECT_EQ(server.RdapRequests("alpha.com"), 3u);
}

// A bootstrap file that could not be had is asked for again a minute later, and not before: the
// minute is the run's clock, so the test moves it.
TEST_F(RegistryChecks, Should_AskForAFailedBootstrapFileAgainAfterAMinute) {
    server.SetBootstrap(RegistryServer::NotJson());
    RegistryCheck check(Endpoints());
    VirtualClock clock;
    const auto runAt = [&](long afterMs) {
        clock.Advance(milliseconds(afterMs));
        const CancelToken token({}, clock.Now() + milliseconds(kBound), clock, nullptr);
        return check.Run({"alpha.com", "alpha.com", "alpha.com"}, token);
    };
    const std::pair<long, std::size_t> cases[] = {{0, 1}, {59999, 1}, {1, 2}, {59999, 2}, {1, 3}};
    for (const auto& [afterMs, requests] : cases) {
        EXPECT_EQ(runAt(afterMs), Expected("alpha.com"));
        EXPECT_EQ(server.BootstrapRequests(), requests) << afterMs;
    }
}

TEST_F(RegistryChecks, Should_FallBackToWhois_When_TheBootstrapFileIsNotJson) {
    server.SetBootstrap(RegistryServer::NotJson());
    RegistryCheck check(Endpoints());
    EXPECT_EQ(Run(check, "alpha.com"), Expected("alpha.com"));
    EXPECT_EQ(server.WhoisQueries("com"), 1u);
    EXPECT_EQ(server.RdapRequests("alpha.com"), 0u);

    server.SetWhois("net", WhoisReply::Text("% nothing here\n"));
    EXPECT_EQ(Run(check, "alpha.net"), (Cells{"no RDAP", "", ""}));
}

TEST_F(RegistryChecks, Should_SayCancelled_When_CancelledWhileWaiting) {
    server.SetRdap("slow.com", {RegistryServer::Slow(milliseconds(5000))});
    RegistryCheck check(Endpoints());
    CancelToken cancel;
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(milliseconds(100));
        cancel.Cancel();
    });
    EXPECT_EQ(check.Run({"slow.com", "slow.com", "slow.com"}, cancel), (Cells{"cancelled", "", ""}));
    canceller.join();
}

// A cancel wakes each wait of the check at once, far within the wait's own time-out (30 s); the token's
// own deadline, past the bound, ends a wait that the cancel does not wake.
enum class Wait { WhoisAnswer, RdapAnswer, BootstrapFile };

struct WakeCase {
    const char* words;
    Wait wait;
    const char* name;
};

class RegistryCheckWakes : public RegistryChecks, public ::testing::WithParamInterface<WakeCase> {};

TEST_P(RegistryCheckWakes, Should_EndAtOnce_When_CancelledInTheWait) {
    const WakeCase& c = GetParam();
    constexpr milliseconds kSilent(30000);
    const CheckEndpoints endpoints = Endpoints(30000);
    switch (c.wait) {
        case Wait::WhoisAnswer:
            server.SetWhois(c.name, WhoisReply::Slow(kSilent));
            break;
        case Wait::RdapAnswer:
            server.SetRdap(c.name, {RegistryServer::Slow(kSilent)});
            break;
        case Wait::BootstrapFile:
            server.SetBootstrap(RegistryServer::Slow(kSilent));
            break;
    }
    const auto entered = [&] {
        switch (c.wait) {
            case Wait::WhoisAnswer:
                return server.WhoisQueries(c.name) > 0;
            case Wait::RdapAnswer:
                return server.RdapRequests(c.name) > 0;
            case Wait::BootstrapFile:
                return server.BootstrapRequests() > 0;
        }
        return false;
    };
    RegistryCheck check(endpoints);
    CancelToken cancel({}, vantle::SteadyClock().Now() + std::chrono::seconds(5), vantle::SteadyClock(),
                       nullptr);
    const auto outcome = vantle::testing::TimeTheCancel(
        [&] {
            return check.Run({c.name, c.name, c.name}, cancel);
        },
        entered, [&] { cancel.Cancel(); }, [] {});
    EXPECT_TRUE(outcome.entered);
    ASSERT_TRUE(outcome.took) << "not within " << vantle::testing::kCancelBound.count() << " ms";
    EXPECT_EQ(outcome.result, (Cells{"cancelled", "", ""}));
}

INSTANTIATE_TEST_SUITE_P(Waits, RegistryCheckWakes,
                         ::testing::Values(WakeCase{"the WHOIS server's answer", Wait::WhoisAnswer,
                                                    "wake.ru"},
                                           WakeCase{"the RDAP server's answer", Wait::RdapAnswer, "wake.com"},
                                           WakeCase{"the bootstrap file", Wait::BootstrapFile, "wake.com"}),
                         [](const ::testing::TestParamInfo<WakeCase>& info) {
                             return vantle::testing::CaseName(info.param.words);
                         });

TEST_F(RegistryChecks, RegistrarBeyondWindows1251_Should_KeepEveryCharacter) {
    RegistryCheck check(Endpoints());
    for (const char* name :
         {"intl-names.com", "intl-names.ru", "intl-names.info"}) {  // RDAP, WHOIS, referral
        const sim::RegistryFacts facts = RegistryServer::Facts(name);
        ASSERT_FALSE(facts.free) << name;
        const Cells cells = Run(check, name);
        ASSERT_EQ(cells.size(), 3u) << name;
        EXPECT_EQ(cells[2], Utf16ToCp1251Keeping(u"Registrö Ελλάς")) << name;
    }
}

}  // namespace
}  // namespace vantle
