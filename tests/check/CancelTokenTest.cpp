// What a check is given: the deadline that a wait in line moves on, a service's backoff that does not,
// and "rate limited" when the service asks to be left alone past the deadline.
#include <gtest/gtest.h>

#include <thread>

#include "check/Check.h"

namespace vantle {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

SteadyTime At(long ms) {
    return SteadyTime(milliseconds(ms));
}

TEST(CancelTokenTest, AWaitInLineMovesTheDeadlineOn) {
    VirtualClock clock;
    Pacer pacer(clock, {{"svc", {0, 1}}});
    const CancelToken first({}, At(20000), clock, &pacer);
    const CancelToken second({}, At(20000), clock, &pacer);
    std::optional<Limiter::Lease> held = first.Pace("svc");
    ASSERT_TRUE(held);
    std::thread waiter([&] { EXPECT_TRUE(second.Pace("svc")); });
    while (clock.Waiting() == 0) {
        std::this_thread::yield();
    }
    clock.Advance(seconds(5));
    held->Release();
    waiter.join();
    EXPECT_EQ(second.Deadline(), At(25000));
    EXPECT_EQ(first.Deadline(), At(20000));
}

struct BackoffCase {
    long backoffMs;
    long deadlineMs;
    bool rateLimited;
};

TEST(CancelTokenTest, ABackoffPastTheDeadlineIsRateLimited) {
    const BackoffCase cases[] = {
        {20000, 20000, true}, {30000, 20000, true}, {19999, 20000, false}, {0, 20000, false}};
    for (const BackoffCase& c : cases) {
        VirtualClock clock;
        Pacer pacer(clock, {{"svc", {100, 0}}});
        const CancelToken token({}, At(c.deadlineMs), clock, &pacer);
        token.Backoff("svc", milliseconds(c.backoffMs));
        bool limited = false;
        std::thread waiter([&] { EXPECT_EQ(token.Pace("svc", &limited).has_value(), !c.rateLimited); });
        while (!c.rateLimited && clock.Due() == 0 && clock.Waiting() == 0 && c.backoffMs > 0) {
            std::this_thread::yield();
        }
        clock.Advance(milliseconds(c.backoffMs));
        waiter.join();
        EXPECT_EQ(limited, c.rateLimited) << c.backoffMs;
        if (!c.rateLimited) {
            EXPECT_EQ(token.Deadline(), At(c.deadlineMs)) << "a wait the service asked for counts";
        }
    }
}

TEST(CancelTokenTest, WithoutALimiterTheBackoffIsTheChecksOwn) {
    VirtualClock clock;
    const CancelToken token({}, At(10000), clock, nullptr);
    token.Backoff("svc", seconds(3));
    std::atomic<bool> got{false};
    std::thread waiter([&] { got = token.Pace("svc").has_value(); });
    while (clock.Waiting() == 0) {
        std::this_thread::yield();
    }
    clock.Advance(milliseconds(2999));
    std::this_thread::sleep_for(milliseconds(5));
    EXPECT_FALSE(got);
    clock.Advance(milliseconds(1));
    waiter.join();
    EXPECT_TRUE(got);
}

TEST(CancelTokenTest, TheOuterStopReachesTheToken) {
    std::stop_source run;
    const CancelToken token(run.get_token(), At(1000), SteadyClock(), nullptr);
    EXPECT_FALSE(token.Cancelled());
    run.request_stop();
    EXPECT_TRUE(token.Cancelled());
}

}  // namespace
}  // namespace vantle
