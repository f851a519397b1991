#pragma once
// The table's cells are edited in a line edit that lets the table's own shortcuts through (Ctrl+R,
// Ctrl+Y, Ctrl+S act while a cell is being edited).

#include <QList>
#include <QStyledItemDelegate>

class QAction;

namespace vantle {

class GridDelegate : public QStyledItemDelegate {
public:
    // actions: those whose shortcuts the editor does not take for itself.
    GridDelegate(QList<QAction*> actions, QObject* parent);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

private:
    QList<QAction*> actions_;
};

}  // namespace vantle
