#include "pace/Limiter.h"

#include <gtest/gtest.h>

#include "support/Eventually.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

namespace vantle {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// Whether a place is free right now (no wait).
bool FreeNow(Limiter& limiter, VirtualClock& clock, std::optional<Limiter::Lease>* keep = nullptr) {
    std::optional<Limiter::Lease> lease = limiter.Acquire(clock.Now(), {});
    const bool got = lease.has_value();
    if (keep != nullptr) {
        *keep = std::move(lease);
    }
    return got;
}

struct GapCase {
    double perSecond;
    long afterMs;
    bool free;
};

TEST(LimiterTest, NextQueryStartsOneGapAfterThePrevious) {
    const GapCase cases[] = {
        {0.5, 1999, false}, {0.5, 2000, true}, {2, 499, false}, {2, 500, true}, {0, 0, true},
    };
    for (const GapCase& c : cases) {
        VirtualClock clock;
        Limiter limiter(clock, Pace{c.perSecond, 0});
        ASSERT_TRUE(FreeNow(limiter, clock));
        clock.Advance(milliseconds(c.afterMs));
        EXPECT_EQ(FreeNow(limiter, clock), c.free) << c.perSecond << " a second, after " << c.afterMs;
    }
}

TEST(LimiterTest, AtOnceCountsTheLeasesStillHeld) {
    for (int atOnce : {1, 2, 3}) {
        VirtualClock clock;
        Limiter limiter(clock, Pace{0, atOnce});
        std::vector<std::optional<Limiter::Lease>> held(static_cast<std::size_t>(atOnce));
        for (auto& lease : held) {
            ASSERT_TRUE(FreeNow(limiter, clock, &lease));
        }
        EXPECT_FALSE(FreeNow(limiter, clock)) << atOnce;
        held.back()->Release();
        EXPECT_TRUE(FreeNow(limiter, clock)) << atOnce;
    }
}

TEST(LimiterTest, BackoffHoldsEveryoneUntilItsEndAndALaterOneWins) {
    VirtualClock clock;
    Limiter limiter(clock, Pace{100, 0});
    limiter.Backoff(seconds(5));
    limiter.Backoff(seconds(1));  // a shorter one does not shorten it
    clock.Advance(milliseconds(4999));
    EXPECT_FALSE(FreeNow(limiter, clock));
    clock.Advance(milliseconds(1));
    EXPECT_TRUE(FreeNow(limiter, clock));
}

TEST(LimiterTest, AWaiterEndsByItsStopAndByItsTime) {
    VirtualClock clock;
    Limiter limiter(clock, Pace{0, 1});
    std::optional<Limiter::Lease> held;
    ASSERT_TRUE(FreeNow(limiter, clock, &held));

    std::stop_source stop;
    std::atomic<int> result{-1};
    std::thread waiter(
        [&] { result = limiter.Acquire(clock.Now() + seconds(60), stop.get_token()) ? 1 : 0; });
    EXPECT_TRUE(testing::Eventually([&] { return clock.Waiting() > 0; }));
    stop.request_stop();
    EXPECT_TRUE(testing::Eventually([&] { return result != -1; }));
    clock.Advance(seconds(60));  // a waiter that missed its stop ends by its time: the join never hangs
    waiter.join();
    EXPECT_EQ(result, 0);

    result = -1;
    std::stop_source end;
    std::thread late([&] { result = limiter.Acquire(clock.Now() + seconds(60), end.get_token()) ? 1 : 0; });
    EXPECT_TRUE(testing::Eventually([&] { return clock.Waiting() > 0; }));
    clock.Advance(seconds(60));
    EXPECT_TRUE(testing::Eventually([&] { return result != -1; }));
    end.request_stop();
    late.join();
    EXPECT_EQ(result, 0);
}

TEST(LimiterTest, AReleaseLetsTheNextWaiterIn) {
    VirtualClock clock;
    Limiter limiter(clock, Pace{0, 1});
    std::optional<Limiter::Lease> held;
    ASSERT_TRUE(FreeNow(limiter, clock, &held));
    std::atomic<bool> got{false};
    std::stop_source end;
    std::thread waiter(
        [&] { got = limiter.Acquire(clock.Now() + seconds(60), end.get_token()).has_value(); });
    EXPECT_TRUE(testing::Eventually([&] { return clock.Waiting() > 0; }));
    held->Release();
    EXPECT_TRUE(testing::Eventually([&] { return got.load(); }));
    end.request_stop();
    waiter.join();
}

// When each of askers threads got its places (count each) from limiter, the virtual clock moving on by
// step once every asker has either started or gone back to waiting. Ends within a real-time bound.
std::vector<SteadyTime> Starts(Limiter& limiter, VirtualClock& clock, int askers, milliseconds step,
                               int count = 1) {
    std::mutex mutex;
    std::vector<SteadyTime> starts;
    std::atomic<int> ended{0};
    std::stop_source end;
    std::vector<std::thread> threads;
    for (int i = 0; i < askers; ++i) {
        threads.emplace_back([&] {
            std::optional<Limiter::Lease> lease =
                limiter.Acquire(clock.Now() + std::chrono::hours(1), end.get_token(), count);
            if (lease) {
                const std::lock_guard lock(mutex);
                starts.push_back(clock.Now());
            }
            ++ended;
        });
    }
    const bool done = testing::Eventually(
        [&] {
            if (ended == askers) {
                return true;
            }
            if (clock.Waiting() == askers - ended && clock.Due() == 0) {
                clock.Advance(step);
                std::this_thread::sleep_for(milliseconds(2));  // a released place is looked at meanwhile
            }
            return false;
        },
        seconds(60));
    EXPECT_TRUE(done) << "the askers did not end";
    end.request_stop();
    for (std::thread& t : threads) {
        t.join();
    }
    std::sort(starts.begin(), starts.end());
    EXPECT_EQ(starts.size(), static_cast<std::size_t>(askers));
    return starts;
}

// A hundred domains asking the .ru registry at once: no minute holds more than thirty queries, even
// when the network bunches some of them up on the way.
TEST(LimiterTest, ThirtyAMinuteHoldsForAHundredWaiters) {
    VirtualClock clock;
    Limiter limiter(clock, Pacer::PaceOf(DefaultPaceRules(), "whois:whois.tcinet.ru"));
    const std::vector<SteadyTime> starts = Starts(limiter, clock, 100, milliseconds(500));
    for (std::size_t i = 30; i < starts.size(); ++i) {
        // Thirty gaps take more than a minute, with two seconds to spare for the network.
        EXPECT_GE(starts[i] - starts[i - 30], seconds(62)) << i;
    }
    EXPECT_LE(starts.back() - starts.front(), seconds(250));  // and it did not idle either
}

// The published limits as the default rules keep them: each rate with its margin (a limit of n per
// period leaves n gaps longer than the period by 3 to 5 %), the places at once, and which services
// share their pace with the other copies of the program (those that limit each address).
struct PublishedCase {
    const char* key;
    double count;
    double periodSeconds;  // 0: no rate
    int atOnce;
    bool shared;
};

TEST(PaceRulesTest, EveryPublishedLimitKeepsItsMargin) {
    const PublishedCase cases[] = {
        {"whois:whois.tcinet.ru", 30, 60, 1, true},
        {"whois:whois.iana.org", 1, 1, 1, true},
        {"whois:whois.other.example", 1, 1, 2, true},
        {"rdap:rdap.example", 5, 1, 4, true},
        {"archive", 24, 60, 1, true},
        {"dns", 200, 1, 64, false},
        {"web:192.0.2.1", 0, 0, 2, false},
    };
    for (const PublishedCase& c : cases) {
        const PaceRule* rule = Pacer::RuleOf(DefaultPaceRules(), c.key);
        ASSERT_NE(rule, nullptr) << c.key;
        EXPECT_EQ(rule->pace.atOnce, c.atOnce) << c.key;
        EXPECT_EQ(rule->shared, c.shared) << c.key;
        if (c.periodSeconds == 0) {
            EXPECT_EQ(rule->pace.perSecond, 0) << c.key;
            continue;
        }
        const double gaps = c.count / rule->pace.perSecond;  // seconds that count starts take
        EXPECT_GE(gaps, c.periodSeconds * 1.03) << c.key;
        EXPECT_LE(gaps, c.periodSeconds * 1.05) << c.key;
    }
}

// Sixty names asking the archive's index: never more than 24 starts in a minute (two seconds to spare),
// and the DNS: a look-up of three queries takes three of the 200 a second.
struct WindowCase {
    const char* key;
    int count;          // places each asker takes
    std::size_t limit;  // starts a window may hold
    milliseconds window;
    milliseconds step;
};

TEST(LimiterTest, NoWindowHoldsMoreThanThePublishedLimit) {
    const WindowCase cases[] = {
        {"archive", 1, 24, seconds(62), milliseconds(500)},
        {"dns", 3, 66, milliseconds(1000), milliseconds(5)},
    };
    for (const WindowCase& c : cases) {
        VirtualClock clock;
        Limiter limiter(clock, Pacer::PaceOf(DefaultPaceRules(), c.key));
        const std::vector<SteadyTime> starts = Starts(limiter, clock, 80, c.step, c.count);
        for (std::size_t i = c.limit; i < starts.size(); ++i) {
            EXPECT_GE(starts[i] - starts[i - c.limit], c.window) << c.key << " " << i;
        }
    }
}

// A limit notice without a wait: a minute, doubled for each further notice in a row; a normal answer
// starts again from a minute; a notice while the service is left alone (an answer to a query sent
// before) does not double it.
struct NoticeStep {
    char event;  // 'n' a notice without a wait, 'a' a normal answer
    long advanceMsBefore;
    long expectedWaitMs;  // of a notice
};

TEST(LimiterTest, ALimitNoticeWithoutAWaitDoublesFromAMinute) {
    const NoticeStep steps[] = {
        {'n', 0, 60000},  {'n', 60000, 120000}, {'n', 120000, 240000}, {'n', 1000, 239000},
        {'a', 239000, 0}, {'n', 0, 60000},      {'n', 59999, 1},       {'n', 1, 120000},
    };
    VirtualClock clock;
    Limiter limiter(clock, Pace{1, 1});
    for (const NoticeStep& step : steps) {
        clock.Advance(milliseconds(step.advanceMsBefore));
        if (step.event == 'a') {
            limiter.Answered();
            continue;
        }
        const Millis wait = limiter.BackoffDoubling();
        EXPECT_EQ(wait.count(), step.expectedWaitMs);
        EXPECT_EQ(limiter.BackoffUntil(), clock.Now() + wait);
        clock.Advance(wait - milliseconds(1));
        EXPECT_FALSE(FreeNow(limiter, clock)) << "asked before the wait was over";
        clock.Advance(-(wait - milliseconds(1)));
    }
}

// Two copies of the program (two pacers, each with the state folder open on its own) keep a shared
// service's pace together: a place one holds, the gap after one's start and one's backoff hold the
// other too; the unshared services pace each copy alone, and a copy that ended frees its places.
struct CopyCase {
    const char* words;
    const char* key;
    char firstDoes;  // 'h' holds a place, 's' starts and ends a query, 'b' backs off for 5 s, 'e' holds and
                     // ends
    long afterMs;
    bool secondFree;
};

TEST(SharedPacesTest, TwoCopiesKeepOnePace) {
    const CopyCase cases[] = {
        {"a place held by the other copy", "whois:one.example", 'h', 5000, false},
        {"within the gap after its start", "whois:one.example", 's', 1999, false},
        {"after the gap", "whois:one.example", 's', 2000, true},
        {"within its backoff", "whois:one.example", 'b', 4999, false},
        {"after its backoff", "whois:one.example", 'b', 5000, true},
        {"the other copy ended with a place held", "whois:one.example", 'e', 5000, true},
        {"a service that is not shared", "dns", 'h', 0, true},
    };
    const std::vector<PaceRule> rules{{"whois:", {0.5, 1}, true}, {"dns", {0.5, 1}, false}};
    for (const CopyCase& c : cases) {
        char folder[] = "/tmp/vantle-paces-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        VirtualClock clock;
        clock.Advance(seconds(1000));
        auto firstState = std::make_shared<SharedPaces>(folder);
        ASSERT_TRUE(firstState->Usable());
        auto first = std::make_unique<Pacer>(clock, rules, firstState);
        Pacer second(clock, rules, std::make_shared<SharedPaces>(folder));
        std::optional<Limiter::Lease> held;
        switch (c.firstDoes) {
            case 'b':
                first->For(c.key)->Backoff(seconds(5));
                // Seen before the other copy asks: a check says "rate limited" at once when it is too long.
                EXPECT_EQ(second.For(c.key)->BackoffUntil(), clock.Now() + seconds(5)) << c.words;
                break;
            case 'e':
                break;
            default:
                held = first->For(c.key)->Acquire(clock.Now(), {});
                ASSERT_TRUE(held) << c.words;
                if (c.firstDoes == 's') {
                    held.reset();
                }
        }
        if (c.firstDoes == 'e') {
            // A copy that ends with a place held: a process of its own that holds it and exits.
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                Pacer copy(clock, rules, std::make_shared<SharedPaces>(folder));
                std::optional<Limiter::Lease> kept = copy.For(c.key)->Acquire(clock.Now(), {});
                _exit(kept ? 0 : 1);
            }
            int status = -1;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_EQ(status, 0);
        }
        clock.Advance(milliseconds(c.afterMs));
        EXPECT_EQ(second.For(c.key)->Acquire(clock.Now(), {}).has_value(), c.secondFree) << c.words;
        held.reset();
        std::filesystem::remove_all(folder);
    }
}

// Limiters that are idle and held by nobody are forgotten once many are kept; one with a place held
// or a backoff in force is kept.
TEST(PacerTest, IdleLimitersAreForgotten) {
    VirtualClock clock;
    Pacer pacer(clock, {{"web:", {0, 2}}, {"rdap:", {1, 1}}}, nullptr);
    const std::shared_ptr<Limiter> held = pacer.For("web:192.0.2.1");
    std::optional<Limiter::Lease> place = held->Acquire(clock.Now(), {});
    pacer.For("rdap:slow.example")->Backoff(seconds(60));
    for (int i = 0; i < 5000; ++i) {
        const std::shared_ptr<Limiter> limiter =
            pacer.For("web:10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256));
        limiter->Acquire(clock.Now(), {});
    }
    EXPECT_LE(pacer.Kept(), 2100u);
    EXPECT_GE(pacer.Kept(), 2u);
    EXPECT_EQ(pacer.For("web:192.0.2.1"), held);
    EXPECT_GT(pacer.For("rdap:slow.example")->BackoffUntil(), clock.Now());
}

// The resolver's pace changes between runs; the archive's back-off of the run before stays.
TEST(PacerTest, ANewDnsPaceLeavesTheOtherServicesAsTheyAre) {
    VirtualClock clock;
    Pacer pacer(clock, DefaultPaceRules(), nullptr);
    const std::shared_ptr<Limiter> before = pacer.For("dns");
    pacer.For("archive")->Backoff(seconds(60));
    const std::shared_ptr<Limiter> archive = pacer.For("archive");
    pacer.SetPace("dns", DnsPace(1000));
    EXPECT_DOUBLE_EQ(pacer.For("dns")->pace().perSecond, 1000 / 1.04);
    EXPECT_EQ(pacer.For("dns")->pace().atOnce, before->pace().atOnce);
    EXPECT_DOUBLE_EQ(before->pace().perSecond, 200 / 1.04);  // a query under way keeps its own
    EXPECT_EQ(pacer.For("archive"), archive);
    EXPECT_GT(pacer.For("archive")->BackoffUntil(), clock.Now());
}

struct RuleCase {
    const char* key;
    double perSecond;
    int atOnce;
};

TEST(PacerTest, TheWholeKeyWinsOverItsKind) {
    const std::vector<PaceRule> rules{
        {"whois:slow.example", {0.5, 1}}, {"whois:", {1, 2}}, {"dns", {200, 64}}};
    const RuleCase cases[] = {
        {"whois:slow.example", 0.5, 1},
        {"whois:other.example", 1, 2},
        {"dns", 200, 64},
        {"web:192.0.2.1", 0, 0},
        {"whois", 0, 0},
    };
    for (const RuleCase& c : cases) {
        const Pace pace = Pacer::PaceOf(rules, c.key);
        EXPECT_EQ(pace.perSecond, c.perSecond) << c.key;
        EXPECT_EQ(pace.atOnce, c.atOnce) << c.key;
    }
    VirtualClock clock;
    Pacer pacer(clock, rules);
    EXPECT_EQ(pacer.For("web:192.0.2.1"), nullptr);
    EXPECT_EQ(pacer.For("whois:a.example"), pacer.For("whois:a.example"));
    EXPECT_NE(pacer.For("whois:a.example"), pacer.For("whois:b.example"));
}

}  // namespace
}  // namespace vantle
