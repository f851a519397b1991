#pragma once
// The check run's host without a window: the list as lines, the table as a DomainTable laid out as
// the main window lays it out for the chosen checks, the rate and threshold as typed on the command
// line. Boxes go to standard error; the end question is answered "no" (the caller writes the table).

#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "check/CheckEndpoints.h"
#include "check/CheckRun.h"
#include "check/CheckRunHost.h"
#include "check/DomainTable.h"
#include "cli/Progress.h"
#include "history/RunHistory.h"
#include "io/CsvExport.h"
#include "io/Journal.h"

namespace vantle::cli {

class ConsoleHost : public CheckRunHost {
public:
    struct Settings {
        std::vector<std::string> lines;  // Windows-1251
        std::set<std::string> checks;    // names of CheckNames()
        std::string rateText;
        std::string thresholdText;
        int parallel = 16;
        // The store of answers (none: --no-history). With it and a check of today the table ends
        // in a Changes column; fresh asks the lasting answers too; changesOnly keeps the changed rows.
        history::HistoryStore* store = nullptr;
        bool fresh = false;
        bool changesOnly = false;
    };
    // stopRequested is asked at every pump; once it says yes the run is stopped as by "Стоп".
    ConsoleHost(Settings settings, const CheckEndpoints& endpoints, std::ostream& err, Progress& progress,
                std::function<bool()> stopRequested);
    ~ConsoleHost() override;

    // Every row written goes to a journal slot of stateDir that no other running copy holds (with
    // resume, preferably one that ResumeFrom can go on from); a fresh run starts it anew with its
    // first row. Answers the slot's folder.
    std::string UseJournal(const std::string& stateDir, std::vector<std::string> checkNames,
                           bool resume = false);
    // Puts back the rows of an earlier run over the same list and checks, and arms the run to go on
    // after them; false when the journal is of another list or other checks.
    bool ResumeFrom(const JournalState& state, CheckRun& run);
    bool Continues(const JournalState& state) const;
    // The run has ended: the store writes its last answers while the output is finished.
    void RunEnded() {
        if (history_) {
            history_->RunEnded();
        }
    }
    // The whole table is written: nothing is left to resume.
    void JournalDone() {
        if (journal_) {
            journal_->Done();
        }
    }
    // The list's bytes as the journal knows them.
    std::string ListBytes() const;

    // The run whose stop command a stop request gives.
    void Attach(CheckRun& run) { run_ = &run; }

    bool InfoShown() const { return infoShown_; }
    bool ErrorShown() const { return errorShown_; }

    // The table as the window saves it: without the bar query its three columns are left out. A run
    // that wrote no row gives the header row alone.
    CsvTable Saved() const;
    // The rows saved: every row, or with changesOnly those whose Changes cell says something.
    std::vector<int> SavedRows() const;
    // One row's cells as saved (row 0: the headers); the same into cells, whose room is used again.
    std::vector<std::string> SavedRow(int row) const;
    void SavedRow(int row, std::vector<std::string>& cells) const;
    // Every row written from now on goes to sink as well, with its saved cells, in list order.
    void StreamRows(std::function<void(const std::vector<std::string>& cells)> sink) {
        sink_ = std::move(sink);
    }

    // CheckRunHost
    int LineCount() override { return static_cast<int>(lines_.size()); }
    std::string Line(int i) override;
    int RowCount() override { return table_.RowCount(); }
    void SetRowCount(int n) override { table_.SetRowCount(n); }
    int ColCount() override { return table_.ColCount(); }
    std::string Cell(int col, int row) override { return table_.Cell(col, row); }
    void SetCell(int col, int row, const std::string& text) override { table_.SetCell(col, row, text); }
    void ResetTable() override { table_.ResetTable(); }
    int SelectedRow() override { return 1; }
    void ScrollToEndAndRepaint() override {}
    // Panel 2 holds the standing of a run many at once: the progress line says it too.
    void SetPanel(int index, const std::string& text) override;
    void SetStanding(const std::string& text) override;
    void SetProgressVisible(bool) override {}
    int ProgressPosition() override { return position_; }
    void SetProgressPosition(int position) override;
    void SetProgressMaximum(int) override {}
    std::string ThresholdText() override { return thresholdText_; }
    std::string RateText() override { return rateText_; }
    std::string ResumeFlag() override { return resumeFlag_; }
    void SetResumeFlag(const std::string& flag) override { resumeFlag_ = flag; }
    bool StartVisible() override { return startVisible_; }
    void SetStartVisible(bool visible) override { startVisible_ = visible; }
    void SetRunInProgress(bool) override {}
    bool CsvEnabled() override { return csvEnabled_; }
    void SetCsvEnabled(bool enabled) override { csvEnabled_ = enabled; }
    void ClickCsv() override {}
    bool YaPagesChecked() override { return yaPagesCol_ > 0; }
    bool PageRankChecked() override { return prCol_ > 0; }
    int YaPagesCol() override { return yaPagesCol_; }
    int PRCol() override { return prCol_; }
    bool BarChecked() override { return bar_; }
    void RowWritten(int row, int line) override;
    std::vector<PlacedCheck> ExtraChecks() override { return placed_; }
    int ParallelCount() override { return parallel_; }
    long CheckTimeoutMs() override { return checkTimeoutMs_; }
    void Sleep(int ms) override;
    long long NowMs() override;
    void ProcessMessages() override;
    void InfoBox(const std::string& text) override;
    bool AskSave(const std::string&) override { return false; }
    void ErrorBox(const std::string& message) override;

private:
    void Say(const std::string& cp1251);

    std::vector<int> SavedColumns() const;
    // Without the old services the table is saved without their columns (1 to 3).
    bool IsSaved(int col) const { return bar_ || col < 1 || col > 3; }
    void RecordRow(int row, int line);

    std::vector<std::string> lines_;
    int parallel_ = 16;
    long checkTimeoutMs_ = 20000;
    std::function<void(const std::vector<std::string>&)> sink_;
    std::vector<std::string> sunk_;  // the row last given to sink_ (its room serves the next)
    std::string rateText_;
    std::string thresholdText_;
    DomainTable table_{{"Domain", "Tic", "Status", "Yaca"}};
    bool bar_ = false;
    int yaPagesCol_ = 0;
    int prCol_ = 0;
    std::vector<std::shared_ptr<Check>> checks_;
    std::vector<PlacedCheck> placed_;
    std::ostream& err_;
    Progress& progress_;
    std::function<bool()> stopRequested_;
    CheckRun* run_ = nullptr;
    int position_ = 0;
    int lastLineAsked_ = -1;
    std::string resumeFlag_ = "0";
    bool startVisible_ = true;
    bool csvEnabled_ = false;
    bool infoShown_ = false;
    bool errorShown_ = false;
    std::unique_ptr<RunJournal> journal_;
    std::vector<std::string> checkNames_;
    history::HistoryStore* store_ = nullptr;
    std::unique_ptr<history::RunHistory> history_;
    int changesCol_ = 0;  // 0: no Changes column
    bool changesOnly_ = false;
};

}  // namespace vantle::cli
