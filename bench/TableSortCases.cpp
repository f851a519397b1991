// Sorting and filtering a 100,000-row domain table as the grid shows it, and their peer: Qt's own
// proxy model comparing the display texts.
#include <QApplication>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <chrono>

#include "GuiCases.h"
#include "app/DomainTableModel.h"
#include "app/RowProxyModel.h"

namespace vantle::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Domain, Tic (a number or "N/A"), Status, Yaca, Expires (a date or "-").
void FillTable(DomainTableModel& model) {
    model.SetColCount(5);
    model.SetCell(4, 0, "Expires");
    for (int i = 0; i < kTableRows; ++i) {
        const int row = i + 1;
        const int mixed = (i * 7919) % kTableRows;  // rows out of any order
        model.SetCell(0, row, "site" + std::to_string(mixed) + ".ru");
        model.SetCell(1, row, i % 13 == 0 ? "N/A" : std::to_string((mixed % 400) * 10));
        model.SetCell(2, row, i % 11 == 0 ? "Vantle: main.ru" : "OK");
        model.SetCell(3, row, i % 5 == 0 ? "Yes" : "");
        model.SetCell(4, row,
                      i % 17 == 0 ? "-"
                                  : "20" + std::to_string(26 + mixed % 4) + "-0" +
                                        std::to_string(1 + mixed % 9) + "-1" + std::to_string(mixed % 10));
        model.SetRowCount(row + 1);
    }
}

void Show(QTableView& view, QAbstractItemModel& model) {
    view.setModel(&model);
    view.resize(566, 400);
    view.show();
    QApplication::processEvents();
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Ms(double seconds) {
    return std::to_string(static_cast<int>(seconds * 1000 + 0.5)) + " ms";
}

}  // namespace

CaseOutcome SortWithRowProxy(const std::string&) {
    DomainTableModel model;
    FillTable(model);
    RowProxyModel proxy(&model);
    QTableView view;
    Show(view, proxy);
    std::string note;
    double worst = 0;
    for (int col : {0, 4, 1}) {
        const auto start = Clock::now();
        proxy.sort(col, Qt::DescendingOrder);
        QApplication::processEvents();
        const double seconds = Seconds(start);
        worst = std::max(worst, seconds);
        note += (note.empty() ? "" : ", ") + model.Cell(col, 0) + " " + Ms(seconds);
    }
    if (proxy.rowCount() != kTableRows || proxy.index(0, 1).data().toString() != QStringLiteral("3990")) {
        throw CaseFailed("not sorted");
    }
    return {worst, "slowest of " + note};
}

CaseOutcome SortWithQtProxy(const std::string&) {
    DomainTableModel model;
    FillTable(model);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    QTableView view;
    Show(view, proxy);
    double worst = 0;
    for (int col : {0, 1, 4}) {
        const auto start = Clock::now();
        proxy.sort(col, Qt::DescendingOrder);
        QApplication::processEvents();
        worst = std::max(worst, Seconds(start));
    }
    return {worst, "display texts compared"};
}

CaseOutcome FilterWithRowProxy(const std::string&) {
    DomainTableModel model;
    FillTable(model);
    RowProxyModel proxy(&model);
    QTableView view;
    Show(view, proxy);
    const auto start = Clock::now();
    proxy.SetFilterText(QStringLiteral("site1 Tic>=100 Expires<2028-01-01"));
    QApplication::processEvents();
    const double seconds = Seconds(start);
    if (proxy.rowCount() == 0 || proxy.rowCount() == kTableRows) {
        throw CaseFailed("not filtered");
    }
    return {seconds, std::to_string(proxy.rowCount()) + " rows shown"};
}

CaseOutcome FilterWithQtProxy(const std::string&) {
    DomainTableModel model;
    FillTable(model);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setFilterKeyColumn(-1);
    proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    QTableView view;
    Show(view, proxy);
    const auto start = Clock::now();
    proxy.setFilterFixedString(QStringLiteral("site1"));
    QApplication::processEvents();
    return {Seconds(start), "one text, every column"};
}

}  // namespace vantle::bench
