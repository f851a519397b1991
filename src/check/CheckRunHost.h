#pragma once
// What the check run and the recheck need of the windows. The main window implements it (through its
// WindowRunHost); the engine's tests use a fake. All texts are Windows-1251 bytes.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "check/Check.h"

namespace vantle {

class CheckRunHost {
public:
    virtual ~CheckRunHost() = default;

    // The domain list: the lines of the entry dialog. A line beyond the end reads as empty.
    virtual int LineCount() = 0;
    virtual std::string Line(int i) = 0;

    // The domain table (row 0 the headers). A cell of row RowCount() may be written before
    // RowCount() is raised to include it.
    virtual int RowCount() = 0;
    virtual void SetRowCount(int n) = 0;
    virtual int ColCount() = 0;
    virtual std::string Cell(int col, int row) = 0;
    virtual void SetCell(int col, int row, const std::string& text) = 0;
    virtual void ResetTable() = 0;
    virtual int SelectedRow() = 0;
    virtual void ScrollToEndAndRepaint() = 0;

    // Status bar panels 0 to 2, the progress bar.
    virtual void SetPanel(int index, const std::string& text) = 0;
    // Where a run of the old services (one domain at a time) stands: "12 в минуту, осталось 1:30", in
    // a place of its own beside panels 0 to 2 (whose texts it leaves as they are); empty: nothing.
    virtual void SetStanding(const std::string& text) { (void)text; }
    virtual void SetProgressVisible(bool visible) = 0;
    virtual int ProgressPosition() = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual void SetProgressMaximum(int maximum) = 0;

    // The controls that steer a run.
    virtual std::string ThresholdText() = 0;  // "Выводить с тиц >= "
    virtual std::string RateText() = 0;       // "дом/сек"
    virtual std::string ResumeFlag() = 0;     // the hidden label, "0" or "1"
    virtual void SetResumeFlag(const std::string& flag) = 0;
    virtual bool StartVisible() = 0;  // the run flag: hidden while a run is in progress
    virtual void SetStartVisible(bool visible) = 0;
    // Commands that change the list, the columns or start a second run are off while a run is in
    // progress.
    virtual void SetRunInProgress(bool running) = 0;
    virtual bool CsvEnabled() = 0;
    virtual void SetCsvEnabled(bool enabled) = 0;
    virtual void ClickCsv() = 0;

    // The optional columns: whether their boxes are checked, and where they stand.
    virtual bool YaPagesChecked() = 0;
    virtual bool PageRankChecked() = 0;
    virtual int YaPagesCol() = 0;
    virtual int PRCol() = 0;

    // Whether the bar query (Tic, Status, Yaca, and with it the threshold and the totals) is part of the
    // run. Without it every domain gets a row.
    virtual bool BarChecked() { return true; }
    // The checks chosen beside the old services' ones, each with the first of its columns, in column
    // order; they run together on worker threads while the window pumps.
    struct PlacedCheck {
        PlacedCheck(Check* c = nullptr, int col = 0, std::shared_ptr<Check> owner = {})
            : check(c), firstCol(col), keep(std::move(owner)) {}
        Check* check = nullptr;
        int firstCol = 0;
        std::shared_ptr<Check> keep;  // the owner's share, so that a running check outlives a new choice
    };
    virtual std::vector<PlacedCheck> ExtraChecks() { return {}; }

    // A row of the table was written from list line `line` (the run), or rewritten (the recheck: line
    // -1); the totals already count it.
    virtual void RowWritten(int row, int line) {
        (void)row;
        (void)line;
    }

    // How many domains may be checked at once when none of the old services is chosen ("Параллельно").
    virtual int ParallelCount() { return 1; }
    // The longest a check of the checks that answer today may take.
    virtual long CheckTimeoutMs() { return 20000; }
    // The run's state changed (the window enables its commands from it).
    virtual void StateChanged() {}

    // The pause and the pump. NowMs: a monotonic clock in milliseconds.
    virtual void Sleep(int ms) = 0;
    virtual long long NowMs() = 0;
    virtual void ProcessMessages() = 0;

    // "Необходимо составить список доменов" and the like: caption "Инфо", information icon, OK.
    virtual void InfoBox(const std::string& text) = 0;
    // "Проверка завершена. Сохранить результаты?": caption "Сообщение", Yes and No; true on Yes.
    virtual bool AskSave(const std::string& text) = 0;
    // The standard error box: message plus a full stop where due, the application's title, stop icon.
    virtual void ErrorBox(const std::string& message) = 0;
};

}  // namespace vantle
