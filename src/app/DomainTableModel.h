#pragma once
// The domain table as the view RzStringGrid1 shows it: row 0 of the table is the horizontal header,
// table row r is model row r - 1. Cells hold Windows-1251 bytes; the model decodes them for display
// and encodes what the user types. Cells are tinted where a buyer looks first (see CellTone): an
// expiry within 30 days amber, a past one red, a free name green; the words of failed checks grey.

#include <QAbstractTableModel>
#include <QDate>
#include <chrono>
#include <functional>
#include <map>
#include <set>

#include "check/DomainTable.h"

namespace vantle {

class DomainTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DomainTableModel(QObject* parent = nullptr);

    // The grid's own properties, in table rows (header row included).
    int RowCount() const { return table_.RowCount(); }
    int ColCount() const { return table_.ColCount(); }
    void SetRowCount(int n);
    void SetColCount(int n);
    const std::string& Cell(int col, int row) const { return table_.Cell(col, row); }
    // A check's answer: the cell is no longer one changed by hand.
    void SetCell(int col, int row, const std::string& text);
    // A cell changed by the user (byHand), or put back as it was (byHand as it was then).
    void SetCellByHand(int col, int row, const std::string& text, bool byHand);
    bool Edited(int col, int row) const { return edited_.contains({row, col}); }
    // What the grid's editor gives goes here instead of into the cell when set (an undoable edit).
    void SetEditor(std::function<void(int col, int row, const std::string& text)> editor) {
        editor_ = std::move(editor);
    }
    void ResetTable();
    const DomainTable& Table() const { return table_; }
    // A cell's note from the store of answers: its tooltip, and whether its answer changed since the
    // last check (tinted). An empty tip and no change take the note away. Notes go with their rows.
    void SetNote(int col, int row, const QString& tip, bool changed);
    // Where the tints take today's date from; the system's clock unless set.
    void SetToday(std::function<QDate()> today) { today_ = std::move(today); }
    // Today's date as the tints and the filter's "today" take it.
    std::chrono::sys_days Today() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QVariant Tint(const QModelIndex& index, int role) const;

    struct Note {
        QString tip;
        bool changed = false;
    };

    DomainTable table_;
    std::set<std::pair<int, int>> edited_;  // (table row, column) of the cells changed by hand
    std::function<void(int, int, const std::string&)> editor_;
    std::map<std::pair<int, int>, Note> notes_;  // by (row, col)
    std::function<QDate()> today_ = [] { return QDate::currentDate(); };
};

}  // namespace vantle
