#include "check/DomainTable.h"

#include <algorithm>

namespace vantle {

namespace {
const std::string kEmpty;
}

DomainTable::DomainTable(std::vector<std::string> headers) : colCount_(static_cast<int>(headers.size())) {
    rows_.push_back(std::move(headers));
    rows_.emplace_back(colCount_);
}

void DomainTable::SetRowCount(int n) {
    n = std::max(n, 2);
    const auto wanted = static_cast<std::size_t>(n);
    if (wanted < rows_.size()) {
        rows_.resize(wanted);
    }
    while (rows_.size() < wanted) {
        rows_.emplace_back(colCount_);
    }
    rowCount_ = n;
}

void DomainTable::SetColCount(int n) {
    n = std::max(n, 1);
    for (auto& row : rows_) {
        row.resize(static_cast<std::size_t>(n));
    }
    colCount_ = n;
}

const std::string& DomainTable::Cell(int col, int row) const {
    if (col < 0 || col >= colCount_ || row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
        return kEmpty;
    }
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void DomainTable::SetCell(int col, int row, std::string_view text) {
    if (col < 0 || col >= colCount_ || row < 0 || row > rowCount_) {
        return;
    }
    while (rows_.size() <= static_cast<std::size_t>(row)) {
        rows_.emplace_back(colCount_);
    }
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
}

void DomainTable::ResetTable() {
    SetRowCount(2);
    rows_.resize(2);
    std::fill(rows_[1].begin(), rows_[1].end(), std::string());
}

std::span<const std::string> DomainTable::Row(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
        return {};
    }
    return rows_[static_cast<std::size_t>(row)];
}

std::vector<std::string> DomainTable::RowCells(int row) const {
    std::vector<std::string> cells;
    cells.reserve(static_cast<std::size_t>(colCount_));
    for (int c = 0; c < colCount_; ++c) {
        cells.push_back(Cell(c, row));
    }
    return cells;
}

}  // namespace vantle
