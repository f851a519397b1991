#pragma once
// The domain table's cells: a grid of Windows-1251 texts addressed as (column, row), row 0 holding the
// headers. It is the only store of results.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantle {

class DomainTable {
public:
    // The table as the program starts: the given headers in row 0 and one empty row 1.
    explicit DomainTable(std::vector<std::string> headers);

    int RowCount() const { return rowCount_; }
    int ColCount() const { return colCount_; }

    // Never below 2. Rows from n on leave the table (their cells are dropped).
    void SetRowCount(int n);
    // Columns from n on leave the table; new columns start empty.
    void SetColCount(int n);

    // Empty text outside the grid. The row with index RowCount() may be written before RowCount()
    // is raised to include it; writes to other places outside the grid are ignored.
    const std::string& Cell(int col, int row) const;
    void SetCell(int col, int row, std::string_view text);

    // Room for rows (the header's included) at the present width, made at once rather than by
    // doubling as rows come (each step would touch its pages anew and copy every cell).
    void Reserve(std::size_t rows) { cells_.reserve(rows * static_cast<std::size_t>(colCount_)); }

    // Back to the header row and one empty row 1 (every column emptied, the optional ones included).
    void ResetTable();

    std::vector<std::string> RowCells(int row) const;
    // The same without copying them: valid until the table next changes (empty outside the grid).
    std::span<const std::string> Row(int row) const;

private:
    // Rows held (one more than rowCount_ when a row was written ahead of raising RowCount) to the row.
    void Hold(std::size_t rows) {
        cells_.resize(rows * static_cast<std::size_t>(colCount_));
        held_ = rows;
    }

    int rowCount_ = 2;
    int colCount_ = 0;
    // The cells row after row, colCount_ a row (a run of many rows allocates nothing a row).
    std::vector<std::string> cells_;
    std::size_t held_ = 0;
};

}  // namespace vantle
