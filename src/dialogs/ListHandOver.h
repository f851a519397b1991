#pragma once
// What the entry dialog's "На проверку" does to the main window: the table reset and the traces of
// the previous run cleared. The main window implements it.

namespace vantle {

class ListHandOver {
public:
    virtual ~ListHandOver() = default;
    // Table reset to its header and one blank row, panel 0 "Загружено: <lineCount>", panel 1 emptied,
    // resume flag "0", progress bar at 0 and hidden, "Сохранить в csv..." disabled.
    virtual void HandOver(int lineCount) = 0;
    // Asked before the hand-over: false keeps the table and the dialog as they are (the user chose
    // to keep rows that were never saved).
    virtual bool MayReplaceRows() { return true; }
};

}  // namespace vantle
