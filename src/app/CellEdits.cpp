#include "app/CellEdits.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QUndoCommand>
#include <QUndoStack>
#include <QWidget>

#include "app/DomainTableModel.h"

namespace vantle {

// One edit of one cell, with what the cell held before.
class CellEdit : public QUndoCommand {
public:
    CellEdit(CellEdits& owner, int col, int row, std::string after)
        : owner_(owner),
          col_(col),
          row_(row),
          before_(owner.table_->Cell(col, row)),
          beforeByHand_(owner.table_->Edited(col, row)),
          after_(std::move(after)) {}

    void redo() override { owner_.Apply(col_, row_, after_, true); }
    void undo() override {
        const DomainTableModel& table = *owner_.table_;
        if (row_ >= table.RowCount() || col_ >= table.ColCount() || !table.Edited(col_, row_) ||
            table.Cell(col_, row_) != after_) {
            setObsolete(true);  // a check has written the cell since: its answer stays
            return;
        }
        owner_.Apply(col_, row_, before_, beforeByHand_);
    }

private:
    CellEdits& owner_;
    int col_;
    int row_;
    std::string before_;
    bool beforeByHand_;
    std::string after_;
};

CellEdits::CellEdits(DomainTableModel* table, QWidget* grid, Recorder recorded)
    : QObject(grid), table_(table), recorded_(std::move(recorded)), steps_(new QUndoStack(this)) {
    undo_ = new QAction(QStringLiteral("Отменить правку"), grid);
    undo_->setObjectName(QStringLiteral("UndoEdit"));
    undo_->setShortcut(QKeySequence::Undo);
    undo_->setShortcutContext(Qt::WidgetShortcut);
    undo_->setEnabled(false);
    grid->addAction(undo_);
    connect(undo_, &QAction::triggered, steps_, &QUndoStack::undo);
    connect(steps_, &QUndoStack::canUndoChanged, undo_, &QAction::setEnabled);
    table_->SetEditor([this](int col, int row, const std::string& text) {
        steps_->push(new CellEdit(*this, col, row, text));
    });
    // Rows that go (a new list, a fresh run) take their steps with them.
    connect(table_, &QAbstractItemModel::rowsRemoved, this, &CellEdits::Clear);
}

void CellEdits::Clear() {
    steps_->clear();
}

void CellEdits::Apply(int col, int row, const std::string& text, bool byHand) {
    table_->SetCellByHand(col, row, text, byHand);
    if (recorded_) {
        recorded_(col, row, text, byHand);
    }
}

}  // namespace vantle
