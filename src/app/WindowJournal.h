#pragma once
// The main window's journal: every written row, edit, stop and change of columns recorded in a slot
// of the state folder that no other running window holds, so that the rows of a window that was
// killed can be restored; and whether the table holds rows that were never saved. The first problem
// of writing it is told in the status bar. Without a slot it records nothing and keeps the count of
// unsaved rows alone.

#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "io/Journal.h"

class QStatusBar;

namespace vantle {

class ChecksMenu;
class DomainTableModel;
class TForm2;
struct Totals;

class WindowJournal {
public:
    // The start record is read from the table's headers, the chosen checks and the list.
    WindowJournal(const DomainTableModel& model, const ChecksMenu& checks, const TForm2& list,
                  QStatusBar& bar);
    ~WindowJournal();

    // Takes the first free slot of stateDir (of the free ones, the first with rows to restore), letting
    // go of an earlier one first; the slot's number, 1 for the folder's first, 0 when it has none.
    int Open(const QString& stateDir);
    bool On() const { return journal_ != nullptr; }
    // Rows were written or edited since the last save or new list.
    bool Unsaved() const { return unsaved_; }
    // The rows of an earlier window that were never saved, when there are any.
    std::optional<JournalState> Recoverable() const;

    // A fresh run starts a new journal with its first row; a resumed run goes on in the same one.
    void SetFresh(bool fresh);
    void RowWritten(int row, int line, const Totals& totals);
    // A cell changed by hand, or put back by an undo.
    void CellEdited(int col, int row, const std::string& text, bool byHand);
    void Resumed(int line, int row);
    void ColumnsChanged();
    // A table opened from its file: a new journal holding its rows, which are saved already.
    void Opened(const std::map<int, JournalRow>& rows);
    // A table restored: unsaved, and a resumed run goes on in the journal it came from.
    void Restored();
    // Waits until what was given is on disk.
    void Flush();
    // The rows are safe elsewhere, or let go.
    void Done();

private:
    JournalStart StartOfTable() const;
    void Tell(const std::optional<std::string>& error);

    const DomainTableModel& model_;
    const ChecksMenu& checks_;
    const TForm2& list_;
    QStatusBar& bar_;
    std::unique_ptr<RunJournal> journal_;
    bool unsaved_ = false;
};

}  // namespace vantle
