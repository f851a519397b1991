#pragma once
// The tone a cell of the table is shown in, where a buyer of domains looks first: an expiry close
// at hand or past, a name that is free to register, and the words of a check that failed.

#include <chrono>
#include <string_view>

namespace vantle {

enum class CellTone { Plain, Soon, Past, Free, Failed };

// Days before an expiry date that it counts as soon.
constexpr int kSoonDays = 30;

// header: the cell's column header; cell: its text (Windows-1251); today: the date it is.
// Expires and SSL: a date from today to kSoonDays days on is Soon, one before today Past; an SSL
// certificate that does not verify ("invalid " + date) is Past whatever its date. "free" in Created
// is Free. A word of a failed check (a time-out, an unreachable or broken server, no answer to read)
// is Failed in every column.
CellTone ToneOf(std::string_view header, std::string_view cell, std::chrono::sys_days today);

}  // namespace vantle
