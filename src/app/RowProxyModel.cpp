#include "app/RowProxyModel.h"

#include "app/DomainTableModel.h"
#include "dialogs/QtText.h"

namespace vantle {

RowProxyModel::RowProxyModel(DomainTableModel* table, QObject* parent)
    : QSortFilterProxyModel(parent), table_(table) {
    // Connected before the source model is set: a changed cell's key is forgotten before this model
    // moves its row.
    connect(table_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) { ForgetKeys(from.row(), to.row()); });
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved,
                        &QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved}) {
        connect(table_, signal, this, [this]() { ForgetKeys(0, -1); });
    }
    connect(table_, &QAbstractItemModel::modelReset, this, [this]() { ForgetKeys(0, -1); });
    setSourceModel(table_);
    // A new header or column can make a term of the filter name a column, or stop naming one.
    connect(table_, &QAbstractItemModel::headerDataChanged, this, &RowProxyModel::CompileFilter);
    connect(table_, &QAbstractItemModel::columnsInserted, this, &RowProxyModel::CompileFilter);
    connect(table_, &QAbstractItemModel::columnsRemoved, this, &RowProxyModel::CompileFilter);
}

void RowProxyModel::SetFilterText(const QString& text) {
    filterText_ = text;
    CompileFilter();
}

void RowProxyModel::CompileFilter() {
    if (filterText_.isEmpty() && filter_.Empty()) {
        return;
    }
    std::vector<std::string> headers;
    FilterContext context{table_->Today(), {}};
    for (int c = 0; c < table_->ColCount(); ++c) {
        headers.push_back(table_->Cell(c, 0));
        context.hidden.push_back(columnHidden_ && columnHidden_(c));
    }
    filter_ = RowFilter::Parse(ToCp1251Keeping(filterText_), headers, context);
    // All at once: invalidateFilter() would tell the view of every run of hidden rows on its own,
    // thousands of removals for a filter over 100,000 rows.
    invalidate();
}

bool RowProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const int row = sourceRow + 1;
    return filter_.Accepts(table_->ColCount(),
                           [this, row](int col) { return std::string_view(table_->Cell(col, row)); });
}

void RowProxyModel::ForgetKeys(int first, int last) {
    if (last < first) {
        keys_.clear();
        texts_.clear();
        keyFresh_.clear();
        return;
    }
    for (int r = first; r <= last && r < static_cast<int>(keyFresh_.size()); ++r) {
        keyFresh_[static_cast<std::size_t>(r)] = 0;
    }
}

void RowProxyModel::Refresh(std::size_t at, int col) const {
    const std::string& cell = table_->Cell(col, static_cast<int>(at) + 1);
    keys_[at] = vantle::KeyOf(cell);
    texts_[at] = ordinal_ ? std::string() : FoldCase(TrimBlanks(cell));
    keyFresh_[at] = 1;
}

const CellKey& RowProxyModel::KeyOf(int sourceRow) const {
    const auto at = static_cast<std::size_t>(sourceRow);
    if (at >= keys_.size()) {
        keys_.resize(static_cast<std::size_t>(table_->RowCount()));
        texts_.resize(keys_.size());
        keyFresh_.resize(keys_.size(), 0);
    }
    if (!keyFresh_[at]) {
        Refresh(at, sortColumn());
    }
    return keys_[at];
}

void RowProxyModel::sort(int column, Qt::SortOrder order) {
    ForgetKeys(0, -1);
    ordinal_ = false;
    if (column >= 0) {
        // The keys belong to the column being sorted: they are worked out here, before the sort asks.
        const auto rows = static_cast<std::size_t>(table_->RowCount() - 1);
        keys_.resize(rows);
        texts_.resize(rows);
        keyFresh_.assign(rows, 0);
        for (std::size_t at = 0; at < rows && !ordinal_; ++at) {
            ordinal_ = ColumnOrder::IsOrdinal(vantle::KeyOf(table_->Cell(column, static_cast<int>(at) + 1)));
        }
        for (std::size_t at = 0; at < rows; ++at) {
            Refresh(at, column);
        }
    }
    QSortFilterProxyModel::sort(column, order);
}

bool RowProxyModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const bool descending = sortOrder() == Qt::DescendingOrder;
    const ColumnOrder order(ordinal_, descending);
    // Descending, the sort asks lessThan(right, left) for "left is shown first".
    const int a = descending ? right.row() : left.row();
    const int b = descending ? left.row() : right.row();
    if (ordinal_) {
        // The keys decide: the texts are not looked at, which spares a cache miss per cell.
        return order.Before(KeyOf(a), {}, KeyOf(b), {});
    }
    const CellKey& keyA = KeyOf(a);
    const CellKey& keyB = KeyOf(b);
    return order.Before(keyA, texts_[static_cast<std::size_t>(a)], keyB, texts_[static_cast<std::size_t>(b)]);
}

QModelIndex RowProxyModel::ToShown(const QModelIndex& index) const {
    return index.model() == table_ ? mapFromSource(index) : index;
}

Qt::ItemFlags RowProxyModel::flags(const QModelIndex& index) const {
    return QSortFilterProxyModel::flags(ToShown(index));
}

}  // namespace vantle
