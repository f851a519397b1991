#pragma once
// The domain table as the view RzStringGrid1 shows it: row 0 of the table is the horizontal header,
// table row r is model row r - 1. Cells hold Windows-1251 bytes; the model decodes them for display
// and encodes what the user types. Cells are tinted where a buyer looks first (see CellTone): an
// expiry within 30 days amber, a past one red, a free name green; the words of failed checks grey.

#include <QAbstractTableModel>
#include <QDate>
#include <functional>
#include <map>

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
    void SetCell(int col, int row, const std::string& text);
    void ResetTable();
    const DomainTable& Table() const { return table_; }
    // A cell's note from the store of answers: its tooltip, and whether its answer changed since the
    // last check (tinted). An empty tip and no change take the note away. Notes go with their rows.
    void SetNote(int col, int row, const QString& tip, bool changed);
    // Where the tints take today's date from; the system's clock unless set.
    void SetToday(std::function<QDate()> today) { today_ = std::move(today); }

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
    std::map<std::pair<int, int>, Note> notes_;  // by (row, col)
    std::function<QDate()> today_ = [] { return QDate::currentDate(); };
};

}  // namespace vantle
