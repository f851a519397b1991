#pragma once
// How the table orders and compares its cells (Windows-1251 texts): numbers as numbers, dates
// YYYY-MM-DD as dates, other text as text without regard to case.

#include <cstdint>
#include <string>
#include <string_view>

namespace vantle {

enum class CellKind : std::uint8_t { Number, Date, Text, Empty };

struct CellKey {
    CellKind kind = CellKind::Empty;
    double value = 0;  // Number: the number; Date: yyyymmdd
};

// Blanks around the text do not count; "12", "-3", "2.5" and "2,5" are numbers.
CellKey KeyOf(std::string_view cell);

// The text with ASCII and Cyrillic letters, and those beyond the code page, in lower case.
std::string FoldCase(std::string_view text);
// Negative, zero or positive as a sorts before, with or after b, case not counting.
int CompareFolded(std::string_view a, std::string_view b);
// Whether what holds needle, case not counting; a character beyond the code page matches whole.
bool ContainsFolded(std::string_view what, std::string_view needle);
std::string_view TrimBlanks(std::string_view text);

// The order of one column. A column with a number or a date in it puts every other cell ("N/A", "-",
// empty, an error word) last; in a column of texts only empty cells go last. The last cells come last
// in both directions and keep their order among themselves.
class ColumnOrder {
public:
    // ordinal: the column holds a number or a date.
    ColumnOrder(bool ordinal, bool descending) : ordinal_(ordinal), descending_(descending) {}

    static bool IsOrdinal(const CellKey& key) {
        return key.kind == CellKind::Number || key.kind == CellKind::Date;
    }

    // Whether the cell a (with its key) is shown before b.
    bool Before(const CellKey& a, std::string_view textA, const CellKey& b, std::string_view textB) const;

private:
    bool Last(const CellKey& key) const;

    bool ordinal_;
    bool descending_;
};

}  // namespace vantle
