#pragma once
// What differs between two answers of a column, in one short phrase, and the Changes cell of a row.
// Pure functions on Windows-1251 bytes.

#include <string>
#include <string_view>
#include <vector>

namespace vantle::history {

// Whether an empty cell of column is an answer: no redirect in Mirror, not listed in Rank, LinkRank
// and LinkPR. In the other columns an empty cell was not asked.
bool EmptyIsAnAnswer(std::string_view column);

// A cell that tells nothing of the domain, only that the question did not get through ("timeout",
// "cancelled", "rate limited", "error", "DNS error", "bad answer", "no RDAP", "no resources", "no
// graph", "no list"), or an empty cell where empty is no answer: it is never compared with.
bool SaysNothing(std::string_view column, std::string_view cell);

// "Expires 2026-12-01 → 2027-12-01" when the column's answer moved; "Created: free → 2026-11-30"
// (with a colon) when a value came where there was none ("free", "none", "no address" and the like
// before; an empty Mirror or rank is shown as "none"); empty when the two are alike (spaces around and the
// case of Latin letters aside) or either says nothing. The arrow, which Windows-1251 lacks, is kept as its
// escape (see Cp1251.h).
std::string ChangePhrase(std::string_view column, std::string_view before, std::string_view after);

// The phrases of a row joined into its Changes cell.
std::string JoinPhrases(const std::vector<std::string>& phrases);

// The columns that a Changes cell names, in its order ("Expires", "Registrar", ...).
std::vector<std::string> ChangedColumns(std::string_view changes);

}  // namespace vantle::history
