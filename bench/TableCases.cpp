// Appending rows to the domain table, and its peer.
#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <chrono>
#include <vector>

#include "GuiCases.h"
#include "app/DomainTableModel.h"
#include "dialogs/QtText.h"

namespace vantle::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Row {
    std::string cells[4];
};

std::vector<Row> ResultRows() {
    std::vector<Row> rows(kTableRows);
    for (int i = 0; i < kTableRows; ++i) {
        rows[static_cast<std::size_t>(i)] = {"www.site" + std::to_string(i) + ".ru",
                                             std::to_string((i % 40) * 10),
                                             i % 11 == 0 ? "Vantle: main.ru" : "OK", i % 5 == 0 ? "Yes" : ""};
    }
    return rows;
}

void ShowView(QTableView& view, QAbstractItemModel& model) {
    view.setModel(&model);
    view.resize(566, 400);
    view.show();
    QApplication::processEvents();
}

}  // namespace

CaseOutcome AppendToDomainTable(const std::string&) {
    const std::vector<Row> rows = ResultRows();
    DomainTableModel model;
    QTableView view;
    ShowView(view, model);
    const auto start = Clock::now();
    int row = 1;
    for (const Row& cells : rows) {
        for (int col = 0; col < 4; ++col) {
            model.SetCell(col, row, cells.cells[col]);
        }
        ++row;
        model.SetRowCount(row);
    }
    QApplication::processEvents();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (model.rowCount() != kTableRows) {
        throw CaseFailed("rows missing");
    }
    return {seconds, {}};
}

CaseOutcome AppendToStandardItemModel(const std::string&) {
    std::vector<QStringList> rows;
    rows.reserve(kTableRows);
    for (const Row& cells : ResultRows()) {
        rows.push_back({FromCp1251(cells.cells[0]), FromCp1251(cells.cells[1]), FromCp1251(cells.cells[2]),
                        FromCp1251(cells.cells[3])});
    }
    QStandardItemModel model(0, 4);
    QTableView view;
    ShowView(view, model);
    const auto start = Clock::now();
    for (const QStringList& cells : rows) {
        QList<QStandardItem*> items;
        for (const QString& text : cells) {
            items.append(new QStandardItem(text));
        }
        model.appendRow(items);
    }
    QApplication::processEvents();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (model.rowCount() != kTableRows) {
        throw CaseFailed("rows missing");
    }
    return {seconds, {}};
}

}  // namespace vantle::bench
