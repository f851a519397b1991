#pragma once
// The domain table's own commands: a click on a column header sorts by it (again: the other way,
// a third time: the order of the check), the filter box above the table (Ctrl+F), the selection of
// rows and Ctrl+C, which copies them as tab-separated text. A filter that cannot be read turns the box
// red and says why in the status bar. Tab leaves the table rather than walking its cells. Rows are table rows
// here (row 0 the headers), as the check run counts them.

#include <QObject>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMainWindow;
class QTableView;

namespace vantle {

class DomainTableModel;
class RowProxyModel;

class TableControls : public QObject {
    Q_OBJECT
public:
    // Puts itself between table and grid; the filter box is for the window to lay out, the count of
    // shown rows goes to the window's status bar.
    TableControls(QTableView* grid, DomainTableModel* table, QMainWindow* window);

    QLineEdit* FilterEdit() const { return filterEdit_; }
    RowProxyModel* Proxy() const { return proxy_; }
    // "Сортировать по столбцу", for the context menu: the current cell's column ascending, then
    // descending, then in the order of the check, as clicks on its header do.
    QAction* SortItem() const { return sortItem_; }

    // The table row of the grid's current cell; 1 when there is none.
    int CurrentRow() const;
    // The selected table rows in the order shown; the current row when none is selected.
    std::vector<int> SelectedRows() const;
    // The table rows as shown, the header row 0 first: every row in the order of the check unless a
    // sort or a filter is on.
    std::vector<int> ShownRows() const;
    // The selected rows as tab-separated lines, the headers first, only the columns shown.
    QString SelectionText() const;

    // During a run the rows come in the order of the check: no sort, the headers do not take clicks.
    void SetRunInProgress(bool running);

private:
    void Copy();
    void SortCurrentColumn();
    void ShowCount();
    void ShowFilterError();

    QTableView* grid_;
    DomainTableModel* table_;
    RowProxyModel* proxy_;
    QLineEdit* filterEdit_;
    QLabel* count_;
    QAction* sortItem_;
    QLabel* filterError_;
};

}  // namespace vantle
