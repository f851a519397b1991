#pragma once
// The columns of the main window's table: Domain and the bar's three first, YaPages and PR after them
// as their boxes say, then the columns of the chosen checks of today and Changes while the store of
// answers is on; their widths, the columns a save writes and the columns every check adds. The headers
// are read from the table, so the layout follows whatever it holds: a run, a restored journal, an
// opened file. Columns change only on a clean table, except for a check of today added to a checked one.

#include <string>
#include <vector>

#include "check/CheckRunHost.h"
#include "io/SavedTable.h"

class QTableView;

namespace vantle {

// The width of a column added after the first four.
constexpr int kNewColumnWidth = 60;

// The width of a new column, by its header: dates and names need more room than counts.
inline int ColumnWidth(const std::string& header) {
    if (header == "IP" || header == "Mirror" || header == "SSL" || header == "Registrar") {
        return 2 * kNewColumnWidth;
    }
    if (header == "Created" || header == "Expires" || header == "Archive") {
        return kNewColumnWidth * 3 / 2;
    }
    return kNewColumnWidth;
}

class CellEdits;
class ChecksMenu;
class DomainTableModel;
class WindowHistory;

class ColumnLayout {
public:
    // The two columns switched by their boxes.
    enum class Option { YaPages, PR };

    // edits: the undo steps, which name columns by place.
    ColumnLayout(DomainTableModel& model, QTableView& grid, const ChecksMenu& checks, CellEdits& edits);

    // With the store of answers on, Changes comes after the checks of today.
    void UseHistory(const WindowHistory* history) { history_ = history; }

    // No domain in the first row: nothing checked, nothing restored.
    bool TableIsClean() const;
    int YaPagesCol() const { return yaPagesCol_; }
    int PRCol() const { return prCol_; }
    // The chosen checks of today, each at the first of its columns.
    std::vector<CheckRunHost::PlacedCheck> Placed() const;

    // A click on an option's box, which shows on: its column added or taken away on a clean table
    // (the other option's column moving into the last place), the columns of today after them.
    // False, with nothing changed, on a checked table.
    bool SwitchOption(Option option, bool on, bool otherOn);
    // After a change of the chosen checks: on a clean table the columns after YaPages and PR anew; on
    // a checked one the columns of an added check in their place, empty. True when a checked table's
    // columns changed (the journal follows).
    bool ApplyChecksChoice();
    // On a clean table the columns after YaPages and PR anew (a table with rows keeps its columns).
    void LayOutAnew();
    // A table restored with these headers.
    void Restore(const std::vector<std::string>& columns);
    // Only wider, and no wider than the screen leaves room for: the last column shown at its own
    // width, the others as they are.
    void GrowWindowToShowColumns();

    // The columns a save writes: the bar's only while it is chosen.
    std::vector<int> SavedColumns() const;
    // The columns every check adds, as a saved table's header names them.
    std::vector<CheckColumns> ColumnsOfChecks() const;

private:
    int FirstExtraCol() const;
    std::vector<std::string> ExtraHeaders() const;
    void SetExtraColumnsAside();
    void LayOutExtraColumns();
    bool AddCheckedColumns();
    // A new column's width: its header's, or wider where its usual words need it.
    int FitColumnWidth(const std::string& header) const;

    DomainTableModel& model_;
    QTableView& grid_;
    const ChecksMenu& checks_;
    CellEdits& edits_;
    const WindowHistory* history_ = nullptr;
    int yaPagesCol_ = 0;
    int prCol_ = 0;
};

}  // namespace vantle
