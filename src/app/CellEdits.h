#pragma once
// The user's edits of the table's cells, undoable: each edit is a step that Ctrl+Z takes back, many
// steps deep. An edited cell keeps its mark (tint, tooltip) until it is undone or a check writes it
// again; an undo of a cell that a check has since written leaves the check's answer alone. Every step
// and every undo is told to `recorded`, for the journal.

#include <QObject>
#include <functional>
#include <string>

class QAction;
class QUndoStack;
class QWidget;

namespace vantle {

class DomainTableModel;

class CellEdits : public QObject {
    Q_OBJECT
public:
    using Recorder = std::function<void(int col, int row, const std::string& text, bool byHand)>;

    // Takes over the grid's edits of table; the undo item acts on Ctrl+Z in grid.
    CellEdits(DomainTableModel* table, QWidget* grid, Recorder recorded);

    // "Отменить правку" (Ctrl+Z), off when there is nothing to undo.
    QAction* UndoItem() const { return undo_; }
    // A new table: the steps of the old one are let go.
    void Clear();

private:
    friend class CellEdit;
    void Apply(int col, int row, const std::string& text, bool byHand);

    DomainTableModel* table_;
    Recorder recorded_;
    QUndoStack* steps_;
    QAction* undo_;
};

}  // namespace vantle
