#include "pace/Limiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
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
    while (clock.Waiting() == 0) {
        std::this_thread::yield();
    }
    stop.request_stop();
    waiter.join();
    EXPECT_EQ(result, 0);

    std::thread late([&] { result = limiter.Acquire(clock.Now() + seconds(60), {}) ? 1 : 0; });
    while (clock.Waiting() == 0) {
        std::this_thread::yield();
    }
    clock.Advance(seconds(60));
    late.join();
    EXPECT_EQ(result, 0);
}

TEST(LimiterTest, AReleaseLetsTheNextWaiterIn) {
    VirtualClock clock;
    Limiter limiter(clock, Pace{0, 1});
    std::optional<Limiter::Lease> held;
    ASSERT_TRUE(FreeNow(limiter, clock, &held));
    std::atomic<bool> got{false};
    std::thread waiter([&] { got = limiter.Acquire(clock.Now() + seconds(60), {}).has_value(); });
    while (clock.Waiting() == 0) {
        std::this_thread::yield();
    }
    held->Release();
    waiter.join();
    EXPECT_TRUE(got);
}

// A hundred domains asking the .ru registry at once: no minute holds more than thirty queries, even
// when the network bunches some of them up on the way.
TEST(LimiterTest, ThirtyAMinuteHoldsForAHundredWaiters) {
    VirtualClock clock;
    Limiter limiter(clock, Pacer::PaceOf(DefaultPaceRules(), "whois:whois.tcinet.ru"));
    std::mutex mutex;
    std::vector<SteadyTime> starts;
    std::vector<std::thread> askers;
    for (int i = 0; i < 100; ++i) {
        askers.emplace_back([&] {
            std::optional<Limiter::Lease> lease = limiter.Acquire(clock.Now() + std::chrono::hours(1), {});
            ASSERT_TRUE(lease);
            const std::lock_guard lock(mutex);
            starts.push_back(clock.Now());
        });
    }
    // The clock moves only once every asker has either started or gone back to waiting.
    for (;;) {
        std::size_t started = 0;
        {
            const std::lock_guard lock(mutex);
            started = starts.size();
        }
        if (started == 100) {
            break;
        }
        if (clock.Waiting() == static_cast<int>(100 - started) && clock.Due() == 0) {
            clock.Advance(milliseconds(500));
            std::this_thread::sleep_for(milliseconds(2));  // a released place is looked at meanwhile
        }
        std::this_thread::yield();
    }
    for (std::thread& t : askers) {
        t.join();
    }
    std::sort(starts.begin(), starts.end());
    for (std::size_t i = 30; i < starts.size(); ++i) {
        // Thirty gaps take more than a minute, with two seconds to spare for the network.
        EXPECT_GE(starts[i] - starts[i - 30], seconds(62)) << i;
    }
    EXPECT_LE(starts.back() - starts.front(), seconds(250));  // and it did not idle either
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
