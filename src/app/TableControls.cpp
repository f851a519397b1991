#include "app/TableControls.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPalette>
#include <QStatusBar>
#include <QTableView>
#include <algorithm>

#include "app/DomainTableModel.h"
#include "app/RowProxyModel.h"
#include "dialogs/QtText.h"

namespace vantle {

namespace {

// A cell inside one line of tab-separated text: its own tabs and line breaks become blanks.
QString CopiedCell(const std::string& cell) {
    QString text = FromCp1251(cell);
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r') {
            c = u' ';
        }
    }
    return text;
}

}  // namespace

TableControls::TableControls(QTableView* grid, DomainTableModel* table, QMainWindow* window)
    : QObject(window), grid_(grid), table_(table), proxy_(new RowProxyModel(table, this)) {
    QItemSelectionModel* old = grid_->selectionModel();
    grid_->setModel(proxy_);
    grid_->setSelectionModel(new ShownSelectionModel(proxy_, grid_));
    delete old;

    QHeaderView* header = grid_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicatorClearable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setStretchLastSection(true);  // the columns take the window's free width
    connect(header, &QHeaderView::sortIndicatorChanged, proxy_,
            [this](int column, Qt::SortOrder order) { proxy_->sort(column, order); });

    filterEdit_ = new QLineEdit(window);
    filterEdit_->setObjectName(QStringLiteral("FilterEdit"));
    filterEdit_->setPlaceholderText(
        QStringLiteral("Фильтр: текст или Tic>=100 Expires<2027-03-01 HTTP=200 Mirror="));
    filterEdit_->setClearButtonEnabled(true);
    connect(filterEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        proxy_->SetFilterText(text);
        ShowCount();
    });
    filterError_ = new QLabel(window->statusBar());
    filterError_->setObjectName(QStringLiteral("FilterError"));
    window->statusBar()->addPermanentWidget(filterError_);
    filterError_->hide();
    count_ = new QLabel(window->statusBar());
    count_->setObjectName(QStringLiteral("FilterCount"));
    window->statusBar()->addPermanentWidget(count_);
    count_->hide();
    proxy_->SetColumnHidden([this](int col) { return grid_->isColumnHidden(col); });
    // The count follows the table as rows arrive, whether the filter shows them or not.
    for (QAbstractItemModel* model :
         {static_cast<QAbstractItemModel*>(proxy_), static_cast<QAbstractItemModel*>(table_)}) {
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
            connect(model, signal, this, &TableControls::ShowCount);
        }
    }
    connect(table_, &QAbstractItemModel::dataChanged, this, [this]() {
        if (proxy_->Filtering()) {
            ShowCount();
        }
    });
    connect(proxy_, &QAbstractItemModel::layoutChanged, this, &TableControls::ShowCount);
    connect(proxy_, &QAbstractItemModel::modelReset, this, &TableControls::ShowCount);

    auto* find = new QAction(QStringLiteral("Фильтр"), window);
    find->setObjectName(QStringLiteral("FilterFocus"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut);
    window->addAction(find);
    connect(find, &QAction::triggered, this, [this]() {
        filterEdit_->setFocus(Qt::ShortcutFocusReason);
        filterEdit_->selectAll();
    });

    grid_->setTabKeyNavigation(false);
    sortItem_ = new QAction(QStringLiteral("Сортировать по столбцу"), this);
    sortItem_->setObjectName(QStringLiteral("SortColumn"));
    connect(sortItem_, &QAction::triggered, this, &TableControls::SortCurrentColumn);

    // The table's menu from the keyboard, also where there is no Menu key.
    auto* menu = new QAction(QStringLiteral("Меню таблицы"), grid_);
    menu->setObjectName(QStringLiteral("TableMenu"));
    menu->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    menu->setShortcutContext(Qt::WidgetShortcut);
    grid_->addAction(menu);
    connect(menu, &QAction::triggered, this, [this]() {
        const QRect cell = grid_->visualRect(grid_->currentIndex());
        emit grid_->customContextMenuRequested(cell.isValid() ? cell.center() : QPoint(0, 0));
    });

    auto* copy = new QAction(QStringLiteral("Копировать"), grid_);
    copy->setObjectName(QStringLiteral("CopyRows"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    grid_->addAction(copy);
    connect(copy, &QAction::triggered, this, &TableControls::Copy);
}

void TableControls::ShowFilterError() {
    const QString error = FromCp1251(proxy_->FilterError());
    if (error == filterError_->text() && error.isEmpty() == filterError_->isHidden()) {
        return;
    }
    filterError_->setText(error);
    filterError_->setVisible(!error.isEmpty());
    filterEdit_->setToolTip(error);
    if (error.isEmpty()) {
        filterEdit_->setPalette(QPalette());  // the window's own again
        return;
    }
    QPalette palette = filterEdit_->palette();
    palette.setColor(QPalette::Base, QColor(0xff, 0xe0, 0xe0));
    palette.setColor(QPalette::Text, QColor(0xa0, 0x00, 0x00));
    filterEdit_->setPalette(palette);
}

void TableControls::ShowCount() {
    ShowFilterError();
    if (!proxy_->Filtering()) {
        count_->hide();
        return;
    }
    // A clean table's one empty row is no row of results.
    const bool clean = table_->RowCount() == 2 && table_->Cell(0, 1).empty();
    const int total = clean ? 0 : table_->RowCount() - 1;
    const int shown = clean ? 0 : proxy_->rowCount();
    const QString text = QStringLiteral("Показано: %1 из %2").arg(shown).arg(total);
    if (text != count_->text()) {
        count_->setText(text);
    }
    count_->show();
}

int TableControls::CurrentRow() const {
    const QModelIndex current = proxy_->mapToSource(grid_->currentIndex());
    return current.isValid() ? current.row() + 1 : 1;
}

std::vector<int> TableControls::SelectedRows() const {
    QModelIndexList selected = grid_->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<int> rows;
    for (const QModelIndex& index : selected) {
        rows.push_back(proxy_->mapToSource(index).row() + 1);
    }
    if (rows.empty()) {
        rows.push_back(CurrentRow());
    }
    return rows;
}

std::vector<int> TableControls::ShownRows() const {
    std::vector<int> rows{0};
    if (!proxy_->Filtering() && !proxy_->Sorting()) {
        for (int r = 1; r < table_->RowCount(); ++r) {
            rows.push_back(r);
        }
        return rows;
    }
    for (int r = 0; r < proxy_->rowCount(); ++r) {
        rows.push_back(proxy_->mapToSource(proxy_->index(r, 0)).row() + 1);
    }
    return rows;
}

QString TableControls::SelectionText() const {
    std::vector<int> cols;
    for (int c = 0; c < table_->ColCount(); ++c) {
        if (!grid_->isColumnHidden(c)) {
            cols.push_back(c);
        }
    }
    std::vector<int> rows = SelectedRows();
    rows.insert(rows.begin(), 0);
    QString text;
    for (int row : rows) {
        for (std::size_t i = 0; i < cols.size(); ++i) {
            text += (i > 0 ? QStringLiteral("\t") : QString()) + CopiedCell(table_->Cell(cols[i], row));
        }
        text += u'\n';
    }
    return text;
}

void TableControls::Copy() {
    QGuiApplication::clipboard()->setText(SelectionText());
}

void TableControls::SortCurrentColumn() {
    QHeaderView* header = grid_->horizontalHeader();
    if (!header->sectionsClickable()) {
        return;
    }
    const QModelIndex current = grid_->currentIndex();
    const int column = current.isValid() ? current.column() : 0;
    if (header->sortIndicatorSection() != column) {
        header->setSortIndicator(column, Qt::AscendingOrder);
    } else if (header->sortIndicatorOrder() == Qt::AscendingOrder) {
        header->setSortIndicator(column, Qt::DescendingOrder);
    } else {
        header->setSortIndicator(-1, Qt::AscendingOrder);
    }
}

void TableControls::SetRunInProgress(bool running) {
    QHeaderView* header = grid_->horizontalHeader();
    if (running) {
        header->setSortIndicator(-1, Qt::AscendingOrder);
    }
    header->setSectionsClickable(!running);
    sortItem_->setEnabled(!running);
}

}  // namespace vantle
