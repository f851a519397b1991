// The archive check against the loopback capture index: the cells of its answers, the 429 rule, and
// the answers that never end or never come.
#include <gtest/gtest.h>

#include "support/CancelTiming.h"
#include "support/CaseName.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "archive/ArchiveCheck.h"
#include "sim/ArchiveServer.h"

namespace vantle {
namespace {

using sim::ArchiveServer;
using std::chrono::milliseconds;

constexpr long kBound = 2000;   // never reached by an answer that comes
constexpr long kHostile = 300;  // what an answer that never ends gets

class ArchiveChecks : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<ArchiveServer>(); }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override { server->Clear(); }

    static CheckEndpoints Endpoints(long boundMs = kBound, long maxRetryAfterMs = 2000) {
        CheckEndpoints endpoints;
        server->Apply(endpoints);
        endpoints.connectTimeoutMs = boundMs;
        endpoints.checkTimeoutMs = boundMs;
        endpoints.maxRetryAfterMs = maxRetryAfterMs;
        endpoints.maxBody = 64 * 1024;
        return endpoints;
    }

    static std::string Cell(const std::string& name, const CheckEndpoints& endpoints) {
        ArchiveCheck check(endpoints);
        const std::vector<std::string> cells = check.Run({name, name, name}, CancelToken());
        return cells.size() == 1 ? cells.front() : "cells: " + std::to_string(cells.size());
    }

    static inline std::unique_ptr<ArchiveServer> server;
};

// A name whose default answer has a capture, and one whose has none.
std::string NameWith(bool capture) {
    for (int i = 0;; ++i) {
        const std::string name = "site" + std::to_string(i) + ".ru";
        if (ArchiveServer::DefaultDay(name).empty() != capture) {
            return name;
        }
    }
}

struct AnswerCase {
    const char* name;
    std::function<void(ArchiveServer&, const std::string&)> rule;
    std::string cell;
    long bound = kBound;
};

// A capture on 2003-07-07 in an answer of the given status.
std::function<void(ArchiveServer&, const std::string&)> WithStatus(int status) {
    return [status](ArchiveServer& s, const std::string& n) {
        s.SetStatus(n, status, R"([["timestamp"],["20030707000000"]])");
    };
}

std::vector<AnswerCase> AnswerCases() {
    return {
        {"default capture", [](ArchiveServer&, const std::string&) {}, ""},
        {"exact body",
         [](ArchiveServer& s, const std::string& n) {
             s.SetBody(n, R"([["timestamp"],["20030707000000"]])");
         },
         "2003-07-07"},
        {"no capture", [](ArchiveServer& s, const std::string& n) { s.SetBody(n, "[]"); }, "none"},
        {"503 with a capture", WithStatus(503), "error"},
        {"404 with a capture", WithStatus(404), "error"},
        {"201 with a capture", WithStatus(201), "error"},
        {"200 set as a status", WithStatus(200), "2003-07-07"},
        {"not json", [](ArchiveServer& s, const std::string& n) { s.SetNotJson(n); }, "bad answer"},
        {"over the body cap",
         [](ArchiveServer& s, const std::string& n) {
             s.SetBody(n, "[[\"timestamp\"]" + std::string(100000, ' ') + "]");
         },
         "bad answer"},
        {"endless body", [](ArchiveServer& s, const std::string& n) { s.SetEndless(n); }, "timeout",
         kHostile},
        {"429 once", [](ArchiveServer& s, const std::string& n) { s.SetRateLimited(n, 0); }, ""},
        {"429 without end", [](ArchiveServer& s, const std::string& n) { s.SetRateLimited(n, 0, 2); },
         "rate limited"},
        {"429 too long to wait", [](ArchiveServer& s, const std::string& n) { s.SetRateLimited(n, 120); },
         "rate limited"},
    };
}

class ArchiveAnswers : public ArchiveChecks, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(ArchiveAnswers, Should_GiveTheArchiveCell) {
    const AnswerCase c = AnswerCases().at(GetParam());
    const std::string name = NameWith(true);
    c.rule(*server, name);
    const std::string expected = c.cell.empty() ? ArchiveServer::DefaultDay(name) : c.cell;
    EXPECT_EQ(Cell(name, Endpoints(c.bound)), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ArchiveAnswers, ::testing::Range<std::size_t>(0, AnswerCases().size()),
                         [](const auto& info) {
                             return testing::CaseName(AnswerCases().at(info.param).name);
                         });

TEST_F(ArchiveChecks, Should_SayNone_When_TheDefaultAnswerHasNoCapture) {
    EXPECT_EQ(Cell(NameWith(false), Endpoints()), "none");
}

TEST_F(ArchiveChecks, Should_AskOnceMoreAfterTheWait_When_TheRetryAfterIsShort) {
    const std::string name = NameWith(true);
    server->SetRateLimited(name, 1);
    const std::size_t before = server->RequestCount();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Cell(name, Endpoints()), ArchiveServer::DefaultDay(name));
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(900));  // it did wait
    EXPECT_EQ(server->RequestCount() - before, 2u);
}

// A wait that reaches past the check's time is not waited for at all.
TEST_F(ArchiveChecks, Should_SayRateLimitedAtOnce_When_TheRetryAfterOutlastsTheCheck) {
    for (const int seconds : {2, 3, 60}) {
        const std::string name = NameWith(true);
        server->SetRateLimited(name, seconds);
        const std::size_t before = server->RequestCount();
        ArchiveCheck check(Endpoints(kBound, 120000));
        EXPECT_EQ(check.Run({name, name, name}, CancelToken()), std::vector<std::string>{"rate limited"})
            << seconds;
        EXPECT_EQ(server->RequestCount() - before, 1u) << seconds;
    }
}

TEST_F(ArchiveChecks, Should_SayCancelled_When_CancelledDuringTheWait) {
    const std::string name = NameWith(true);
    server->SetRateLimited(name, 30);
    // The whole check's time holds the wait, so only the cancel ends it.
    ArchiveCheck check(Endpoints(60000, 60000));
    CancelToken cancel;
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(milliseconds(50));
        cancel.Cancel();
    });
    EXPECT_EQ(check.Run({name, name, name}, cancel), std::vector<std::string>{"cancelled"});
    canceller.join();
}

// A cancel wakes each wait of the check at once, far within the wait's own time-out (30 s); the token's
// own deadline, past the bound, ends a wait that the cancel does not wake.
enum class Wait { Answer, Backoff };

struct WakeCase {
    const char* words;
    Wait wait;
};

class ArchiveCheckWakes : public ArchiveChecks, public ::testing::WithParamInterface<WakeCase> {};

TEST_P(ArchiveCheckWakes, Should_EndAtOnce_When_CancelledInTheWait) {
    const WakeCase& c = GetParam();
    const std::string name = NameWith(true);
    CheckEndpoints endpoints = Endpoints(30000, 30000);
    sim::TestServer silent;
    silent.setHandler([](const sim::Request&) {
        sim::Reply reply;
        reply.hold();
        return reply;
    });
    Pacer pacer(vantle::SteadyClock(), {{"archive", {0, 1}}}, nullptr);
    const std::size_t before = server->RequestCount();
    switch (c.wait) {
        case Wait::Answer:
            endpoints.archiveUrl = "http://" + silent.authority() + "/cdx/search/cdx";
            break;
        case Wait::Backoff:
            server->SetRateLimited(name, 3);  // within the backstop: the check waits for it
            break;
    }
    const auto entered = [&] {
        switch (c.wait) {
            case Wait::Answer:
                return silent.requestCount() > 0;
            case Wait::Backoff:
                return server->RequestCount() > before && pacer.For("archive")->Waiting() > 0;
        }
        return false;
    };
    ArchiveCheck check(endpoints);
    CancelToken cancel({}, vantle::SteadyClock().Now() + std::chrono::seconds(5), vantle::SteadyClock(),
                       &pacer);
    const auto outcome = vantle::testing::TimeTheCancel(
        [&] {
            return check.Run({name, name, name}, cancel);
        },
        entered, [&] { cancel.Cancel(); }, [] {});
    EXPECT_TRUE(outcome.entered);
    ASSERT_TRUE(outcome.took) << "not within " << vantle::testing::kCancelBound.count() << " ms";
    EXPECT_EQ(outcome.result, std::vector<std::string>{"cancelled"});
}

INSTANTIATE_TEST_SUITE_P(Waits, ArchiveCheckWakes,
                         ::testing::Values(WakeCase{"the index's answer", Wait::Answer},
                                           WakeCase{"the index's back-off", Wait::Backoff}),
                         [](const ::testing::TestParamInfo<WakeCase>& info) {
                             return vantle::testing::CaseName(info.param.words);
                         });

TEST_F(ArchiveChecks, Should_SayRefused_When_NothingListens) {
    CheckEndpoints endpoints = Endpoints();
    {
        const sim::TestServer gone;
        endpoints.archiveUrl = "http://" + gone.authority() + "/cdx/search/cdx";
    }
    EXPECT_EQ(Cell("site.ru", endpoints), "refused");
}

}  // namespace
}  // namespace vantle
