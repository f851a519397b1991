#pragma once
// A domain's answers over time as a table: one row per check and time, newest first.

#include <string>
#include <vector>

#include "history/HistoryStore.h"

namespace vantle::history {

// Row 0 the headers: "Time (UTC)", "Check", then every column the answers have, in the order they
// first come; each answer's cells under its own columns, the others empty.
std::vector<std::vector<std::string>> HistoryTable(const std::vector<StoredAnswer>& answers);

// "YYYY-MM-DD HH:MM:SS" (UTC).
std::string TimeOf(std::int64_t seconds);

}  // namespace vantle::history
