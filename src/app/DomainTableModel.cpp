#include "app/DomainTableModel.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <chrono>

#include "dialogs/QtText.h"
#include "filter/CellTone.h"

namespace vantle {

DomainTableModel::DomainTableModel(QObject* parent)
    : QAbstractTableModel(parent), table_({"Domain", "Tic", "Status", "Yaca"}) {}

void DomainTableModel::SetRowCount(int n) {
    const int old = table_.RowCount();
    n = std::max(n, 2);
    if (n > old) {
        beginInsertRows(QModelIndex(), old - 1, n - 2);
        table_.SetRowCount(n);
        endInsertRows();
    } else if (n < old) {
        beginRemoveRows(QModelIndex(), n - 1, old - 2);
        table_.SetRowCount(n);
        edited_.erase(edited_.lower_bound({n, 0}), edited_.end());
        notes_.erase(notes_.lower_bound({n, 0}), notes_.end());
        endRemoveRows();
    }
}

void DomainTableModel::SetNote(int col, int row, const QString& tip, bool changed) {
    if (tip.isEmpty() && !changed) {
        notes_.erase({row, col});
    } else {
        notes_[{row, col}] = Note{tip, changed};
    }
    if (row > 0 && row < table_.RowCount() && col < table_.ColCount()) {
        const QModelIndex at = index(row - 1, col);
        emit dataChanged(at, at, {Qt::ToolTipRole, Qt::BackgroundRole});
    }
}

void DomainTableModel::SetColCount(int n) {
    const int old = table_.ColCount();
    if (n > old) {
        beginInsertColumns(QModelIndex(), old, n - 1);
        table_.SetColCount(n);
        endInsertColumns();
    } else if (n < old && n >= 1) {
        beginRemoveColumns(QModelIndex(), n, old - 1);
        table_.SetColCount(n);
        endRemoveColumns();
    }
}

void DomainTableModel::SetCell(int col, int row, const std::string& text) {
    if (!edited_.empty()) {
        edited_.erase({row, col});
    }
    table_.SetCell(col, row, text);
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, col, col);
    } else if (row < table_.RowCount() && col < table_.ColCount()) {
        const QModelIndex at = index(row - 1, col);
        emit dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
    }
}

void DomainTableModel::SetCellByHand(int col, int row, const std::string& text, bool byHand) {
    SetCell(col, row, text);
    if (byHand && row > 0) {
        edited_.insert({row, col});
    }
}

void DomainTableModel::ResetTable() {
    edited_.clear();
    SetRowCount(2);
    for (int c = 0; c < table_.ColCount(); ++c) {
        SetCell(c, 1, std::string());
    }
    table_.ResetTable();
    notes_.clear();
}

int DomainTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.RowCount() - 1;
}

int DomainTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.ColCount();
}

std::chrono::sys_days DomainTableModel::Today() const {
    const QDate today = today_();
    return std::chrono::year_month_day(std::chrono::year(today.year()),
                                       std::chrono::month(static_cast<unsigned>(today.month())),
                                       std::chrono::day(static_cast<unsigned>(today.day())));
}

QVariant DomainTableModel::Tint(const QModelIndex& index, int role) const {
    const std::chrono::sys_days day = Today();
    const CellTone tone =
        ToneOf(table_.Cell(index.column(), 0), table_.Cell(index.column(), index.row() + 1), day);
    if (role == Qt::ForegroundRole) {
        return tone == CellTone::Failed ? QVariant(QBrush(QColor(0x80, 0x80, 0x80))) : QVariant();
    }
    switch (tone) {
        case CellTone::Soon:
            return QBrush(QColor(0xff, 0xe0, 0x99));
        case CellTone::Past:
            return QBrush(QColor(0xff, 0xb8, 0xb8));
        case CellTone::Free:
            return QBrush(QColor(0xc4, 0xee, 0xc4));
        default:
            return {};
    }
}

QVariant DomainTableModel::data(const QModelIndex& index, int role) const {
    const bool edited = index.isValid() && Edited(index.column(), index.row() + 1);
    if (edited && role == Qt::BackgroundRole) {
        return QBrush(QColor(0xd6, 0xe4, 0xff));
    }
    if (edited && role == Qt::ToolTipRole) {
        return QStringLiteral("Изменено вручную");
    }
    if (index.isValid() && (role == Qt::ToolTipRole || role == Qt::BackgroundRole) && !notes_.empty()) {
        const auto note = notes_.find({index.row() + 1, index.column()});
        if (note != notes_.end() && role == Qt::ToolTipRole && !note->second.tip.isEmpty()) {
            return note->second.tip;
        }
        if (note != notes_.end() && role == Qt::BackgroundRole && note->second.changed) {
            return QBrush(QColor(0xc8, 0xdc, 0xff));  // changed since the last check
        }
    }
    if (role == Qt::ToolTipRole) {
        return {};
    }
    if (index.isValid() && (role == Qt::BackgroundRole || role == Qt::ForegroundRole)) {
        return Tint(index, role);
    }
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return FromCp1251(table_.Cell(index.column(), index.row() + 1));
}

bool DomainTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    const std::string text = ToCp1251Keeping(value.toString());
    if (text == Cell(index.column(), index.row() + 1)) {
        return true;  // the editor closed on the text it opened with: no change
    }
    if (editor_) {
        editor_(index.column(), index.row() + 1, text);
    } else {
        SetCellByHand(index.column(), index.row() + 1, text, true);
    }
    return true;
}

QVariant DomainTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return FromCp1251(table_.Cell(section, 0));
    }
    return section + 1;
}

Qt::ItemFlags DomainTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

}  // namespace vantle
