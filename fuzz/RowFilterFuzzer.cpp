// The filter box's text, whatever the user types or pastes, against a row of cells: terms read
// within the table's columns, a filter that is the "and" of its terms, = and != opposite, < = >
// exclusive, and a sort order that never puts a cell before itself or two cells both ways.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "filter/CellOrder.h"
#include "filter/RowFilter.h"

namespace {

using vantle::RowFilter;
using vantle::fuzz::Check;

const std::vector<std::string> kHeaders = {"Domain", "Tic", "Status", "Yaca", "Expires", "HTTP", "Mirror"};

// The input: the filter text, a line break, then the row's cells one a line.
std::vector<std::string> CellsOf(std::string_view rest) {
    std::vector<std::string> cells(kHeaders.size());
    for (std::size_t c = 0; c < cells.size() && !rest.empty(); ++c) {
        const std::size_t end = rest.find('\n');
        cells[c] = std::string(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return cells;
}

RowFilter::Term WithOp(RowFilter::Term term, RowFilter::Op op) {
    term.op = op;
    return term;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const std::size_t split = input.find('\n');
    const std::string_view text = input.substr(0, split);
    const std::vector<std::string> cells =
        CellsOf(split == std::string_view::npos ? std::string_view() : input.substr(split + 1));
    const auto cellAt = [&cells](int c) { return std::string_view(cells[static_cast<std::size_t>(c)]); };
    const int cols = static_cast<int>(cells.size());

    const RowFilter filter = RowFilter::Parse(text, kHeaders);
    bool every = true;
    for (const RowFilter::Term& term : filter.Terms()) {
        Check(term.col >= -1 && term.col < cols, "a term outside the columns");
        Check(term.col >= 0 || (term.op == RowFilter::Op::Contains && !term.value.empty()),
              "an empty plain term");
        Check(term.col < 0 || term.op != RowFilter::Op::Contains, "a column term without an operator");
        if (term.col < 0) {
            bool met = false;
            for (int c = 0; c < cols; ++c) {
                met = met || vantle::ContainsFolded(cells[static_cast<std::size_t>(c)], term.value);
            }
            every = every && met;
            continue;
        }
        const std::string& cell = cells[static_cast<std::size_t>(term.col)];
        const bool equal = RowFilter::Meets(WithOp(term, RowFilter::Op::Equal), cell);
        const bool less = RowFilter::Meets(WithOp(term, RowFilter::Op::Less), cell);
        const bool greater = RowFilter::Meets(WithOp(term, RowFilter::Op::Greater), cell);
        Check(equal != RowFilter::Meets(WithOp(term, RowFilter::Op::NotEqual), cell), "= and != agree");
        Check(static_cast<int>(equal) + static_cast<int>(less) + static_cast<int>(greater) <= 1,
              "more than one of < = >");
        Check(RowFilter::Meets(WithOp(term, RowFilter::Op::LessEqual), cell) == (less || equal),
              "<= is not < or =");
        Check(RowFilter::Meets(WithOp(term, RowFilter::Op::GreaterEqual), cell) == (greater || equal),
              ">= is not > or =");
        every = every && RowFilter::Meets(term, cell);
    }
    Check(filter.Accepts(cols, cellAt) == every, "the filter is not the and of its terms");

    for (bool ordinal : {false, true}) {
        for (bool descending : {false, true}) {
            const vantle::ColumnOrder order(ordinal, descending);
            for (const std::string& a : cells) {
                const vantle::CellKey keyA = vantle::KeyOf(a);
                Check(!order.Before(keyA, a, keyA, a), "a cell sorts before itself");
                const vantle::CellKey keyB = vantle::KeyOf(cells[0]);
                Check(!(order.Before(keyA, a, keyB, cells[0]) && order.Before(keyB, cells[0], keyA, a)),
                      "two cells sort before each other");
            }
        }
    }
    return 0;
}
