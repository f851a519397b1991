// What the checks of one domain share: one maker per fact, the others waiting for its answer, and a
// cancelled answer never kept.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "check/Check.h"
#include "check/DomainFacts.h"

namespace vantle {
namespace {

TEST(DomainFactsTest, TheFirstCallMakesTheFactAndTheOthersWaitForIt) {
    DomainFacts facts;
    std::atomic<bool> release{false};
    std::atomic<int> made{0};
    const std::function<int()> slow = [&] {
        ++made;
        while (!release) {
            std::this_thread::yield();
        }
        return 42;
    };
    std::shared_ptr<const int> first;
    std::shared_ptr<const int> second;
    std::thread maker([&] { first = facts.Get<int>("dns:a.test", CancelToken(), slow); });
    while (made == 0) {
        std::this_thread::yield();
    }
    std::thread waiter([&] { second = facts.Get<int>("dns:a.test", CancelToken(), slow); });
    release = true;
    maker.join();
    waiter.join();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*first, 42);
    EXPECT_EQ(first, second);
    EXPECT_EQ(made, 1);
    // Another key is another fact.
    EXPECT_EQ(*facts.Get<int>("dns:b.test", CancelToken(), [] { return 7; }), 7);
}

TEST(DomainFactsTest, AWaiterLetsGoWhenCancelledAndTheMakerStillAnswers) {
    DomainFacts facts;
    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    std::shared_ptr<const int> made;
    std::thread maker([&] {
        made = facts.Get<int>("k", CancelToken(), [&] {
            started = true;
            while (!release) {
                std::this_thread::yield();
            }
            return 1;
        });
    });
    while (!started) {
        std::this_thread::yield();
    }
    CancelToken cancel;
    std::thread canceller([&] { cancel.Cancel(); });
    EXPECT_EQ(facts.Get<int>("k", cancel, [] { return 2; }), nullptr);
    canceller.join();
    release = true;
    maker.join();
    ASSERT_TRUE(made);
    EXPECT_EQ(*made, 1);
}

TEST(DomainFactsTest, AnAnswerMadeUnderACancelIsNotKept) {
    DomainFacts facts;
    CancelToken cancelled;
    cancelled.Cancel();
    EXPECT_EQ(*facts.Get<int>("k", cancelled, [] { return 1; }), 1);
    EXPECT_EQ(*facts.Get<int>("k", CancelToken(), [] { return 2; }), 2);
    EXPECT_EQ(*facts.Get<int>("k", CancelToken(), [] { return 3; }), 2);
}

}  // namespace
}  // namespace vantle
