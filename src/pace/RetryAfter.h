#pragma once
// The one reader of Retry-After: delay-seconds ("120") or an HTTP date
// ("Wed, 21 Oct 2026 07:28:00 GMT"), turned into the wait it asks for.

#include <ctime>
#include <optional>
#include <string_view>

#include "pace/Clock.h"

namespace vantle {

// The wait asked for, counted from `now` (seconds since the epoch) for a date; nothing when the value
// is neither form. A date in the past asks for no wait; absurd values are cut to a day.
std::optional<Millis> RetryAfterWait(std::string_view value, std::time_t now);

// The value of a "Retry-After:" header line (any case, blanks and CR LF around it); nothing for
// another line.
std::optional<std::string_view> RetryAfterValue(std::string_view headerLine);

}  // namespace vantle
