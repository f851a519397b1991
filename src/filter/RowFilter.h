#pragma once
// The table's filter, as the user types it (Windows-1251): terms separated by blanks, all of which a
// row must meet. A plain term is text that one of the row's cells contains, case not counting; a
// term "Name<op>value" compares the cell of the column whose header is Name (case not counting) with
// the value, by one of = != < <= > >=: numbers as numbers, dates YYYY-MM-DD as dates, anything else as
// text without regard to case. Double quotes keep blanks inside a term ("Vantle: a.ru" or
// Status="a b"). "Mirror=" asks for an empty cell. Blanks may stand around the operator
// ("Tic >= 100"); after < <= > >= the value may also follow a blank ("Tic>= 100"), after = and != it
// may not, as "Mirror= site" asks for an empty Mirror and "site" anywhere. In a date column a year or a
// month (2010, 2010-03) is that period: <2010 before 2010-01-01, <=2010 up to 2010-12-31, =2010-03 in
// March 2010. A date may also be given from today: "today", "today+30", "today-365" (in days), or
// "сегодня", "сегодня+30".
//
// The column "Changes" (what changed since the last check) takes two terms of its own: "Changes" alone
// keeps the rows with any change, "Changes=Expires" those whose Changes name the column Expires
// ("Changes!=Expires" the others).
//
// A term that cannot be read (a name that is no header, "Tic>>3", a word where a number column needs a
// number) matches as plain text, which finds nothing; Error() says what is wrong with it.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "filter/CellOrder.h"

namespace vantle {

// What a filter is read against besides the headers.
struct FilterContext {
    // The day "today" names; the system's date when not set.
    std::optional<std::chrono::sys_days> today;
    // hidden[c]: column c is not shown, and a term naming it says so instead of finding nothing.
    std::vector<bool> hidden;
};

class RowFilter {
public:
    enum class Op {
        Contains,
        Equal,
        NotEqual,
        Less,
        LessEqual,
        Greater,
        GreaterEqual,
        Filled,
        Names,
        NamesNot
    };
    struct Term {
        int col = -1;  // -1: a plain term over every cell
        Op op = Op::Contains;
        std::string value;
        CellKey key;
        // A date term that names a year or a month: the first date after that period (yyyymmdd); 0
        // for one day or a number.
        double periodEnd = 0;
    };

    RowFilter() = default;
    // headers: the table's row 0, column by column.
    static RowFilter Parse(std::string_view text, const std::vector<std::string>& headers,
                           const FilterContext& context = {});

    // No terms: every row passes.
    bool Empty() const { return terms_.empty(); }
    const std::vector<Term>& Terms() const { return terms_; }
    // Why the first term that cannot be read cannot, in Russian (Windows-1251); empty when every term
    // reads.
    const std::string& Error() const { return error_; }

    // cellAt(col) gives the row's cell of column col (a std::string_view or what converts to one).
    template <class CellAt>
    bool Accepts(int colCount, CellAt&& cellAt) const {
        for (const Term& term : terms_) {
            bool met = false;
            if (term.col < 0) {
                for (int c = 0; c < colCount && !met; ++c) {
                    met = ContainsFolded(cellAt(c), term.value);
                }
            } else {
                met = Meets(term,
                            term.col < colCount ? std::string_view(cellAt(term.col)) : std::string_view());
            }
            if (!met) {
                return false;
            }
        }
        return true;
    }

    // Whether one cell meets a column term.
    static bool Meets(const Term& term, std::string_view cell);

private:
    std::vector<Term> terms_;
    std::string error_;
};

}  // namespace vantle
