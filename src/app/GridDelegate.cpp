#include "app/GridDelegate.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QToolTip>
#include <algorithm>

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

bool GridDelegate::CutShort(const QString& text, const QFontMetrics& metrics, int width,
                            const QWidget* widget) {
    // The margins the style keeps on either side of a cell's text.
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    return metrics.horizontalAdvance(text) > width - 2 * margin;
}

int GridDelegate::WordsWidth(const std::string& header, const QWidget* widget) {
    struct Words {
        const char* header;
        std::initializer_list<const char*> words;
    };
    static const Words kWords[] = {
        {"IP", {"DNS error", "NXDOMAIN", "255.255.255.255"}},
        {"MX", {"DNS error"}},
        {"HTTP", {"no address", "bad redirect", "DNS error", "no answer"}},
        {"SSL", {"invalid 2027-01-01", "no address"}},
        {"Created", {"registered", "rate limited", "bad answer", "no whois", "2027-01-01"}},
        {"Expires", {"rate limited", "bad answer", "no whois", "2027-01-01"}},
        {"Archive", {"rate limited", "bad answer", "2027-01-01"}},
        {"Rank", {"no list"}},
    };
    const QFontMetrics metrics = widget->fontMetrics();
    const QStyle* style = widget->style();
    const int margins = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1) + 1;
    int widest = 0;
    for (const Words& column : kWords) {
        if (header == column.header) {
            for (const char* word : column.words) {
                widest = std::max(widest, metrics.horizontalAdvance(QLatin1String(word)) + margins);
            }
        }
    }
    return widest;
}

bool GridDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                             const QModelIndex& index) {
    if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    const QString note = index.data(Qt::ToolTipRole).toString();  // a cell changed by hand
    const QRect cell = view->visualRect(index);
    const bool cut = CutShort(text, option.fontMetrics, cell.width(), view);
    if (cut || !note.isEmpty()) {
        const QString tip = note.isEmpty() ? text : (cut ? note + QStringLiteral(": ") + text : note);
        QToolTip::showText(event->globalPos(), tip, view->viewport(), cell);
    } else {
        QToolTip::hideText();
    }
    return true;
}

}  // namespace vantle
