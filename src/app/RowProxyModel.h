#pragma once
// What the grid shows of the domain table: its rows sorted by a column and filtered, between
// DomainTableModel and the view. The table itself keeps the order of the check; the run, the recheck
// and the totals go on addressing its rows.

#include <QItemSelectionModel>
#include <QSortFilterProxyModel>
#include <functional>
#include <vector>

#include "filter/CellOrder.h"
#include "filter/RowFilter.h"

namespace vantle {

class DomainTableModel;

class RowProxyModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit RowProxyModel(DomainTableModel* table, QObject* parent = nullptr);

    // What the user typed into the filter box; empty shows every row.
    void SetFilterText(const QString& text);
    // Which columns the grid hides: a term naming one says so. Read again by RecompileFilter().
    void SetColumnHidden(std::function<bool(int)> hidden) { columnHidden_ = std::move(hidden); }
    // The filter read again, after the hidden columns or the day changed.
    void RecompileFilter() { CompileFilter(); }
    bool Filtering() const { return !filter_.Empty(); }
    // Why the filter cannot be read (Windows-1251), empty when it can.
    const std::string& FilterError() const { return filter_.Error(); }
    bool Sorting() const { return sortColumn() >= 0; }

    // Column -1 restores the order of the check.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The view is also addressed with the table model's own indexes (the window and its tests did so
    // before this model came between them); such an index is taken as its row here.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QModelIndex ToShown(const QModelIndex& index) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    void CompileFilter();
    const CellKey& KeyOf(int sourceRow) const;
    void Refresh(std::size_t at, int col) const;
    void ForgetKeys(int first, int last);

    DomainTableModel* table_;
    QString filterText_;
    RowFilter filter_;
    std::function<bool(int)> columnHidden_;
    // The sort keys of the sort column by model row, worked out as the sort asks for them.
    mutable std::vector<CellKey> keys_;
    // In a column of texts, the cells themselves, trimmed and lowered: side by side they are read
    // far faster than from the table's rows.
    mutable std::vector<std::string> texts_;
    mutable std::vector<char> keyFresh_;
    bool ordinal_ = false;
};

// The grid's selection: takes the table model's indexes as the rows they show.
class ShownSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    explicit ShownSelectionModel(RowProxyModel* model, QObject* parent = nullptr)
        : QItemSelectionModel(model, parent), proxy_(model) {}
    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        QItemSelectionModel::setCurrentIndex(proxy_->ToShown(index), command);
    }
    void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        QItemSelectionModel::select(proxy_->ToShown(index), command);
    }
    using QItemSelectionModel::select;

private:
    RowProxyModel* proxy_;
};

}  // namespace vantle
