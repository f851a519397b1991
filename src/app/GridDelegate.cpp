#include "app/GridDelegate.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace vantle {

namespace {

// The cell editor lets the table's own shortcuts through: a line edit would take Ctrl+Y as its redo.
class CellEditor : public QLineEdit {
public:
    CellEditor(QList<QKeySequence> passed, QWidget* parent) : QLineEdit(parent), passed_(std::move(passed)) {
        setFrame(false);
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(e);
            if (passed_.contains(QKeySequence(key->keyCombination()))) {
                e->ignore();
                return false;
            }
        }
        return QLineEdit::event(e);
    }

private:
    QList<QKeySequence> passed_;
};

}  // namespace

GridDelegate::GridDelegate(QList<QAction*> actions, QObject* parent)
    : QStyledItemDelegate(parent), actions_(std::move(actions)) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
    QList<QKeySequence> keys;
    for (const QAction* action : actions_) {
        keys.append(action->shortcut());
    }
    return new CellEditor(keys, parent);
}

}  // namespace vantle
