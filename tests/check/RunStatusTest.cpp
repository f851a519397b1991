// Where a long run stands: the status texts, the rate over the last minute, and the service whose line
// is the longest.
#include "check/RunStatus.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "text/Cp1251.h"

namespace vantle {
namespace {

std::string Cp(const char16_t* text) {
    return Utf16ToCp1251(text);
}

TEST(RunStatusTest, TheServiceThatHoldsTheRunBackByItsHostAndPace) {
    const struct {
        Pacer::Queue queue;
        const char16_t* text;
    } cases[] = {
        {{"archive", 3, {0.4, 1}}, u"ждём web.archive.org: 24 в минуту"},
        {{"whois:whois.tcinet.ru", 1, {0.48, 1}}, u"ждём whois.tcinet.ru: 29 в минуту"},
        {{"rdap:rdap.example", 9, {1.99, 4}}, u"ждём rdap.example: 119 в минуту"},
        {{"rdap:rdap.example", 9, {2, 4}}, u"ждём rdap.example: 2 в секунду"},
        {{"web:192.0.2.1", 5, {0, 2}}, u"ждём 192.0.2.1: по 2 сразу"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HolderText(c.queue), Cp(c.text)) << c.queue.key;
    }
}

TEST(RunStatusTest, StandingSaysTheRateAndTheTimeLeftOnceKnown) {
    const struct {
        RunStanding standing;
        const char16_t* text;
    } cases[] = {
        {{0, 100, 16, 0, 0, std::nullopt}, u"в работе 16, ждут 0"},
        {{10, 90, 16, 40, 60, std::nullopt}, u"в работе 16, ждут 40, 60 в минуту, осталось 1:30"},
        {{10, 3599, 2, 0, 60, std::nullopt}, u"в работе 2, ждут 0, 60 в минуту, осталось 59:59"},
        {{10, 3600, 2, 0, 60, std::nullopt}, u"в работе 2, ждут 0, 60 в минуту, осталось 1:00:00"},
        {{10, 10, 1, 0, 24, Pacer::Queue{"archive", 2, {0.4, 1}}},
         u"в работе 1, ждут 0, 24 в минуту, осталось 0:25, ждём web.archive.org: 24 в минуту"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StandingText(c.standing), Cp(c.text));
    }
}

// Over the last minute once the run is older; a sample less than a second after the last is not taken.
TEST(RunStatusTest, RowsAMinuteOverTheLastMinute) {
    RowRate rate;
    EXPECT_EQ(rate.PerMinute(), 0);
    rate.Add(0, 0);
    rate.Add(999, 500);
    EXPECT_EQ(rate.PerMinute(), 0) << "one sample";
    rate.Add(1000, 10);
    EXPECT_DOUBLE_EQ(rate.PerMinute(), 600);
    for (long long ms = 2000; ms <= 120000; ms += 1000) {
        rate.Add(ms, ms <= 60000 ? 10 : 10 + static_cast<int>((ms - 60000) / 1000));
    }
    EXPECT_DOUBLE_EQ(rate.PerMinute(), 60) << "the first minute's stall is forgotten";
}

// The queries that wait in a line count; the longest line is the one named.
TEST(RunStatusTest, TheLongestLineIsTheOneWithTheMostQueriesWaiting) {
    VirtualClock clock;
    Pacer pacer(clock, {{"archive", {1, 1}}, {"whois:", {1, 1}}});
    EXPECT_FALSE(pacer.LongestQueue());
    std::optional<Limiter::Lease> archive = pacer.For("archive")->Acquire(clock.Now(), {});
    std::optional<Limiter::Lease> whois = pacer.For("whois:a.example")->Acquire(clock.Now(), {});
    ASSERT_TRUE(archive && whois);
    std::stop_source stop;
    std::vector<std::jthread> waiting;
    for (const char* key : {"archive", "archive", "whois:a.example"}) {
        waiting.emplace_back(
            [&, key] { pacer.For(key)->Acquire(clock.Now() + Millis(60000), stop.get_token()); });
    }
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::optional<Pacer::Queue> longest;
    while ((!longest || longest->waiting < 2) && std::chrono::steady_clock::now() < bound) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        longest = pacer.LongestQueue();
    }
    stop.request_stop();
    ASSERT_TRUE(longest);
    EXPECT_EQ(longest->key, "archive");
    EXPECT_EQ(longest->waiting, 2);
    EXPECT_EQ(longest->pace.perSecond, 1);
}

}  // namespace
}  // namespace vantle
