#pragma once
// What the cells of a table column hold, known from its header: the counting columns hold numbers,
// the date columns dates YYYY-MM-DD (where the check found one; an error word otherwise).

#include <string_view>

namespace vantle {

enum class ColumnKind { Text, Number, Date };

// Tic, YaPages, PR, Rank, HTTP, LinkRank and LinkPR are numbers; Created, Expires, Archive and SSL dates;
// every other header (and an unknown one) text. The header must match exactly.
ColumnKind KindOfColumn(std::string_view header);

}  // namespace vantle
