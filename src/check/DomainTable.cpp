#include "check/DomainTable.h"

#include <algorithm>
#include <functional>

namespace vantle {

namespace {
const std::string kEmpty;
}

DomainTable::DomainTable(std::vector<std::string> headers)
    : colCount_(static_cast<int>(headers.size())), cells_(std::move(headers)), held_(1) {
    Hold(2);
}

void DomainTable::SetRowCount(int n) {
    n = std::max(n, 2);
    const auto wanted = static_cast<std::size_t>(n);
    if (wanted != held_) {
        Hold(wanted);
    }
    rowCount_ = n;
}

void DomainTable::SetColCount(int n) {
    n = std::max(n, 1);
    if (n == colCount_) {
        return;
    }
    const auto from = static_cast<std::size_t>(colCount_);
    const auto to = static_cast<std::size_t>(n);
    std::vector<std::string> cells(held_ * to);
    for (std::size_t row = 0; row < held_; ++row) {
        std::move(cells_.begin() + static_cast<std::ptrdiff_t>(row * from),
                  cells_.begin() + static_cast<std::ptrdiff_t>(row * from + std::min(from, to)),
                  cells.begin() + static_cast<std::ptrdiff_t>(row * to));
    }
    cells_ = std::move(cells);
    colCount_ = n;
}

const std::string& DomainTable::Cell(int col, int row) const {
    if (col < 0 || col >= colCount_ || row < 0 || static_cast<std::size_t>(row) >= held_) {
        return kEmpty;
    }
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(colCount_) +
                  static_cast<std::size_t>(col)];
}

void DomainTable::SetCell(int col, int row, std::string_view text) {
    if (col < 0 || col >= colCount_ || row < 0 || row > rowCount_) {
        return;
    }
    const auto at =
        static_cast<std::size_t>(row) * static_cast<std::size_t>(colCount_) + static_cast<std::size_t>(col);
    if (static_cast<std::size_t>(row) >= held_) {
        // A text held within a cell's own bytes (a short one) moves when the cells do: it is copied first.
        const std::less<const void*> before;
        if (!cells_.empty() && !before(text.data(), cells_.data()) &&
            before(text.data(), cells_.data() + cells_.size())) {
            const std::string copy(text);
            Hold(static_cast<std::size_t>(row) + 1);
            cells_[at] = copy;
            return;
        }
        Hold(static_cast<std::size_t>(row) + 1);
    }
    cells_[at] = text;
}

void DomainTable::ResetTable() {
    SetRowCount(2);
    std::fill(cells_.begin() + colCount_, cells_.end(), std::string());
}

std::span<const std::string> DomainTable::Row(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= held_) {
        return {};
    }
    return std::span<const std::string>(cells_).subspan(
        static_cast<std::size_t>(row) * static_cast<std::size_t>(colCount_),
        static_cast<std::size_t>(colCount_));
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
