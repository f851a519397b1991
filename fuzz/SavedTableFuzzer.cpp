// A saved table read back from any bytes: never crashes; a table read has rows, each with a cell for
// every column, "Domain" and the bar's columns first, the list one line per row, and totals that only
// grow, the last row's being the table's.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "io/SavedChecks.h"
#include "io/SavedTable.h"

using vantle::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::vector<vantle::CheckColumns>& checks = vantle::testing::SavedChecks();
    const vantle::SavedTableRead read =
        vantle::ReadSavedTable(std::string_view(reinterpret_cast<const char*>(bytes), size), checks);
    if (read.problem != vantle::SavedTableProblem::None) {
        return 0;
    }
    const auto& state = read.state;
    const auto& columns = state.start.columns;
    Check(columns.size() >= 4 && columns[0] == "Domain" && columns[1] == "Tic" && columns[3] == "Yaca",
          "the table's first columns");
    Check(!state.rows.empty(), "a table without rows");
    Check(static_cast<std::size_t>(state.start.lineCount) == state.rows.size(), "lines and rows differ");
    std::size_t lines = 1;
    for (const char c : state.list) {
        lines += c == '\n' ? 1 : 0;
    }
    Check(lines == state.rows.size(), "a list line per row");
    std::array<std::int32_t, 3> before{};
    int expected = 1;
    for (const auto& [row, content] : state.rows) {
        Check(row == expected++ && content.line == row - 1, "rows out of turn");
        Check(content.cells.size() == columns.size(), "a row of another width");
        for (std::size_t t = 0; t < 3; ++t) {
            Check(content.totals[t] >= before[t] && content.totals[t] <= before[t] + 1, "totals jump");
        }
        before = content.totals;
    }
    Check(before == state.lastTotals, "the table's totals are not the last row's");
    return 0;
}
