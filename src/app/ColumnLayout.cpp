#include "app/ColumnLayout.h"

#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <map>

#include "app/CellEdits.h"
#include "app/ChecksMenu.h"
#include "app/DomainTableModel.h"
#include "app/GridDelegate.h"
#include "app/WindowHistory.h"
#include "catalog/CheckCatalog.h"

namespace vantle {

ColumnLayout::ColumnLayout(DomainTableModel& model, QTableView& grid, const ChecksMenu& checks,
                           CellEdits& edits)
    : model_(model), grid_(grid), checks_(checks), edits_(edits) {}

bool ColumnLayout::TableIsClean() const {
    return model_.Cell(0, 1).find('.') == std::string::npos;
}

std::vector<CheckRunHost::PlacedCheck> ColumnLayout::Placed() const {
    return checks_.Placed(FirstExtraCol());
}

bool ColumnLayout::SwitchOption(Option option, bool on, bool otherOn) {
    if (!TableIsClean()) {
        return false;
    }
    SetExtraColumnsAside();
    const bool yaPages = option == Option::YaPages;
    const std::string ownHeader = yaPages ? "YaPages" : "PR";
    const std::string otherHeader = yaPages ? "PR" : "YaPages";
    int& ownCol = yaPages ? yaPagesCol_ : prCol_;
    int& otherCol = yaPages ? prCol_ : yaPagesCol_;
    bool present = false;
    for (int c = 0; c < model_.ColCount(); ++c) {
        present = present || model_.Cell(c, 0) == ownHeader;
    }
    if (on && !present) {
        model_.SetColCount(model_.ColCount() + 1);
        model_.SetCell(model_.ColCount() - 1, 0, ownHeader);
        ownCol = model_.ColCount() - 1;
        grid_.setColumnWidth(ownCol, kNewColumnWidth);
    } else if (!on && present) {
        model_.SetColCount(model_.ColCount() - 1);
        if (otherOn) {
            model_.SetCell(model_.ColCount() - 1, 0, otherHeader);
            otherCol = model_.ColCount() - 1;
        }
    }
    LayOutExtraColumns();
    return true;
}

bool ColumnLayout::ApplyChecksChoice() {
    LayOutAnew();
    return AddCheckedColumns();
}

void ColumnLayout::LayOutAnew() {
    SetExtraColumnsAside();
    LayOutExtraColumns();
}

int ColumnLayout::FitColumnWidth(const std::string& header) const {
    return std::max(ColumnWidth(header), GridDelegate::WordsWidth(header, &grid_));
}

void ColumnLayout::GrowWindowToShowColumns() {
    int last = model_.ColCount() - 1;
    while (last > 0 && grid_.isColumnHidden(last)) {
        --last;
    }
    int needed = FitColumnWidth(model_.Cell(last, 0)) + grid_.verticalScrollBar()->sizeHint().width() +
                 2 * grid_.frameWidth();
    for (int c = 0; c < last; ++c) {
        needed += grid_.isColumnHidden(c) ? 0 : grid_.columnWidth(c);
    }
    const int missing = needed - grid_.width();
    if (missing <= 0) {
        return;
    }
    QWidget& window = *grid_.window();
    const QRect room = window.screen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    const int widest = room.width() - (frame.width() - window.width());
    window.resize(std::min(window.width() + missing, widest), window.height());
    if (window.frameGeometry().right() > room.right()) {
        window.move(std::max(room.left(), room.right() - window.frameGeometry().width() + 1), window.y());
    }
}

// Read from the headers: while a box's click is handled, the box already shows its new state.
int ColumnLayout::FirstExtraCol() const {
    int col = 4;
    while (col < model_.ColCount() && col < 6 &&
           (model_.Cell(col, 0) == "YaPages" || model_.Cell(col, 0) == "PR")) {
        ++col;
    }
    return col;
}

// On a clean table the columns after YaPages and PR hold nothing but their headers.
void ColumnLayout::SetExtraColumnsAside() {
    if (TableIsClean() && model_.ColCount() > FirstExtraCol()) {
        model_.SetColCount(FirstExtraCol());
    }
}

std::vector<std::string> ColumnLayout::ExtraHeaders() const {
    std::vector<std::string> headers = checks_.Headers();
    if (history_ && history_->On() && !headers.empty()) {
        headers.emplace_back(history::kChangesColumn);  // what changed since the last check
    }
    return headers;
}

void ColumnLayout::LayOutExtraColumns() {
    if (!TableIsClean()) {
        return;
    }
    const std::vector<std::string> headers = ExtraHeaders();
    const int first = FirstExtraCol();
    model_.SetColCount(first + static_cast<int>(headers.size()));
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const int col = first + static_cast<int>(i);
        model_.SetCell(col, 0, headers[i]);
        grid_.setColumnWidth(col, FitColumnWidth(headers[i]));
    }
}

// On a checked table a check of today may be added (for a recheck of the rows that matter): its
// columns come in their place, empty, and every cell keeps its header.
bool ColumnLayout::AddCheckedColumns() {
    const std::vector<std::string> headers = ExtraHeaders();
    const int first = FirstExtraCol();
    if (TableIsClean() || model_.ColCount() == first + static_cast<int>(headers.size())) {
        return false;
    }
    std::map<std::string, int> before;
    for (int c = first; c < model_.ColCount(); ++c) {
        before[model_.Cell(c, 0)] = c;
    }
    const int rows = model_.RowCount();
    std::vector<std::vector<std::string>> cells(headers.size(), std::vector<std::string>(rows));
    std::vector<std::vector<bool>> byHand(headers.size(), std::vector<bool>(rows));  // edits move along
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const auto old = before.find(headers[i]);
        for (int r = 0; r < rows && old != before.end(); ++r) {
            cells[i][static_cast<std::size_t>(r)] = model_.Cell(old->second, r);
            byHand[i][static_cast<std::size_t>(r)] = model_.Edited(old->second, r);
        }
        cells[i][0] = headers[i];
    }
    edits_.Clear();  // its steps name columns by place, and the places move
    for (int r = 1; r < rows; ++r) {
        for (int c = first; c < model_.ColCount(); ++c) {
            model_.SetNote(c, r, {}, false);  // the store's notes were of the columns as they were
        }
    }
    model_.SetColCount(first + static_cast<int>(headers.size()));
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const int col = first + static_cast<int>(i);
        for (int r = 0; r < rows; ++r) {
            model_.SetCellByHand(col, r, cells[i][static_cast<std::size_t>(r)],
                                 byHand[i][static_cast<std::size_t>(r)]);
        }
        grid_.setColumnWidth(col, FitColumnWidth(headers[i]));
    }
    return true;
}

void ColumnLayout::Restore(const std::vector<std::string>& columns) {
    model_.SetColCount(static_cast<int>(columns.size()));
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        const std::string& header = columns[static_cast<std::size_t>(c)];
        model_.SetCell(c, 0, header);
        yaPagesCol_ = header == "YaPages" ? c : yaPagesCol_;
        prCol_ = header == "PR" ? c : prCol_;
        if (c >= 4) {
            grid_.setColumnWidth(c, FitColumnWidth(header));
        }
    }
}

std::vector<int> ColumnLayout::SavedColumns() const {
    std::vector<int> cols;
    for (int c = 0; c < model_.ColCount(); ++c) {
        if (checks_.Chosen("bar") || c < 1 || c > 3) {
            cols.push_back(c);
        }
    }
    return cols;
}

std::vector<CheckColumns> ColumnLayout::ColumnsOfChecks() const {
    std::vector<CheckColumns> columns;
    for (std::string_view name : CheckNames()) {
        columns.push_back({std::string(name), checks_.Columns(name)});
    }
    return columns;
}

}  // namespace vantle
