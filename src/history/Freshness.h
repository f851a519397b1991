#pragma once
// Which earlier answers stand for today's: a fact that does not change is taken from the store
// instead of being asked again. Times are seconds since the epoch, given by the caller.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantle::history {

// How long the archive's "none" (no capture yet) is believed: a week.
inline constexpr std::int64_t kNoneKeptSeconds = 7 * 24 * 3600;

// True when the answer of `check` given at `answeredAt` may stand for one asked at `now`: the
// archive's first capture once found ("YYYY-MM-DD"), and its "none" for less than kNoneKeptSeconds.
// Every other check, and every failure, is asked each time. An answer from the future (a clock
// set back) is not believed.
bool Lasting(std::string_view check, const std::vector<std::string>& cells, std::int64_t answeredAt,
             std::int64_t now);

// The day of a time, "YYYY-MM-DD" (UTC).
std::string DayOf(std::int64_t seconds);

}  // namespace vantle::history
