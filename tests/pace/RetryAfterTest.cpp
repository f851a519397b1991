#include "pace/RetryAfter.h"

#include <gtest/gtest.h>

namespace vantle {
namespace {

// 2026-10-21 07:28:00 UTC
constexpr std::time_t kNow = 1792567680;

struct WaitCase {
    const char* value;
    long long ms;  // -1: not a Retry-After
};

TEST(RetryAfterTest, SecondsAndDates) {
    const WaitCase cases[] = {
        {"120", 120000},
        {" 5 \r\n", 5000},
        {"0", 0},
        {"", -1},
        {"abc", -1},
        {"-5", -1},
        {"1.5", -1},
        {"99999999999999999999", 86400000},
        {"Wed, 21 Oct 2026 07:29:30 GMT", 90000},
        {"Wed, 21 Oct 2026 07:28:00 GMT", 0},
        {"Wed, 21 Oct 2026 07:27:59 GMT", 0},
        {"Wed, 21 Oct 2026 07:28:01 GMT", 1000},
        {"Sun, 01 Nov 2026 00:00:00 GMT", 86400000},
    };
    for (const WaitCase& c : cases) {
        const std::optional<Millis> wait = RetryAfterWait(c.value, kNow);
        EXPECT_EQ(wait ? wait->count() : -1, c.ms) << "'" << c.value << "'";
    }
}

TEST(RetryAfterTest, OnlyTheRetryAfterLineHasAValue) {
    EXPECT_EQ(RetryAfterValue("Retry-After: 30\r\n").value_or("none"), "30");
    EXPECT_EQ(RetryAfterValue("retry-after:7").value_or("none"), "7");
    EXPECT_EQ(RetryAfterValue("RETRY-AFTER:\t  Wed \r\n").value_or("none"), "Wed");
    EXPECT_FALSE(RetryAfterValue("Retry-Afte: 30"));
    EXPECT_FALSE(RetryAfterValue("X-Retry-After: 30"));
    EXPECT_FALSE(RetryAfterValue("Retry"));
}

}  // namespace
}  // namespace vantle
