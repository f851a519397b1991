#pragma once
// The table's cells are edited in a line edit that lets the table's own shortcuts through (Ctrl+R,
// Ctrl+Y, Ctrl+S act while a cell is being edited). A cell cut short shows its whole text as a tooltip.

#include <QList>
#include <QStyledItemDelegate>
#include <string>

class QAction;

namespace vantle {

class GridDelegate : public QStyledItemDelegate {
public:
    // actions: those whose shortcuts the editor does not take for itself.
    GridDelegate(QList<QAction*> actions, QObject* parent);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Whether the text does not fit a cell of that width in that font.
    static bool CutShort(const QString& text, const QFontMetrics& metrics, int width, const QWidget* widget);
    // The width at least a column of that header needs to show its usual words whole ("no address"),
    // in the widget's font.
    static int WordsWidth(const std::string& header, const QWidget* widget);

private:
    QList<QAction*> actions_;
};

}  // namespace vantle
