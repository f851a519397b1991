#pragma once
// The check run over the domain list, the stop command, and the recheck of one row. The windows call
// in through the named handlers; everything the run does to them goes through CheckRunHost.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FWURLPosition/TFWURLPosition.h"
#include "check/CheckRunHost.h"
#include "check/ParallelChecks.h"
#include "check/ServiceHosts.h"
#include "http/HttpGetter.h"
#include "io/Journal.h"

namespace vantle {

// Running totals of the table; they live as long as the program.
struct Totals {
    std::int32_t GluedCount = 0;  // rows whose status begins with "Vantle"
    std::int32_t ZeroCount = 0;   // rows whose TIC text is "0"
    std::int32_t YacaCount = 0;   // rows in the catalogue
};

// What the run is doing; the windows enable their commands from it.
enum class RunState {
    Idle,        // nothing runs: a run may start, the checks and the list may change
    Running,     // the list is being checked
    Stopping,    // the stop was given; the run ends after the current domain (or at once, in parallel)
    Rechecking,  // rows are being checked again: nothing starts a run or changes the checks meanwhile
};

class CheckRun {
public:
    CheckRun(CheckRunHost& host, HttpGetter& http, ServiceHosts hosts, RankFetcher rankFetch);
    // Waits for the checks that a stopped run left behind (each ends soon after its cancel).
    ~CheckRun();
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    // The clock every wait of the checks takes, and the pace of each service (default: the steady
    // clock and DefaultPaceRules()). The pace is kept across runs: a service that asked to be left
    // alone is left alone by the next run too.
    void UsePace(Clock& clock, std::vector<PaceRule> rules);

    // The start command ("Пуск"): a fresh run, or the continuation of a stopped one.
    void Button2Click();
    // The stop command ("Стоп"): only shows the start button again; the run sees it after its pump.
    void Button3Click();
    // The recheck of the selected row ("Перепроверить").
    void N5Click();

    // The table was reset under the run (hand-over, list import): a stopped run is not continued.
    void ForgetResume();

    // Where a stopped run would go on (line, row), when it can.
    std::optional<std::pair<int, int>> ResumeAt() const {
        return resume_ ? std::optional<std::pair<int, int>>({resume_->line, resume_->row}) : std::nullopt;
    }
    // Puts back what an earlier run left (from its journal): its totals, and where it goes on.
    void Restore(const Totals& totals, int line, int row) {
        totals_ = totals;
        resume_ = ResumePoint{line, row};
    }

    // Puts back the rows of a journal into the host's table (its columns already laid out; cells past
    // them left out), its totals, and where the run goes on.
    void RestoreRows(const JournalState& state);

    // The optional cells of a written row, for the options that are switched on.
    void FillOptionalCells(int row, const std::string& queryName);

    const Totals& totals() const { return totals_; }
    // "Клееных: <n>; Нулевых: <n>; ЯК: <n>"
    std::string TotalsLine() const;
    bool Running() const { return running_; }
    RunState State();

private:
    struct Settings {
        std::int32_t threshold = 0;
        int pauseMs = 0;
    };
    // Where a stopped run goes on: the next line to check and the next row to write.
    struct ResumePoint {
        int line = 0;
        int row = 1;
    };
    enum class LineResult { Skipped, Checked, Failed };

    std::optional<Settings> ReadSettings();
    // Whether any of the old services (bar, index, PageRank) is chosen: they go one domain at a time.
    bool OldServicesChosen();
    CheckBounds Bounds();
    std::unique_ptr<ParallelChecks> StartExtraChecks(const std::vector<CheckRunHost::PlacedCheck>& placed,
                                                     const DomainNames& names);
    void SetRunning(bool running);
    void ShowState();
    // Many domains at once: lines [firstLine, lineCount), rows written in list order. Returns the
    // first line not written when stopped, or -1.
    int RunLinesParallel(int firstLine, int lineCount, int& row);
    void WriteParallelRow(int line, const std::string& displayName, ParallelChecks* checks,
                          const std::vector<CheckRunHost::PlacedCheck>& placed, int& row);
    void Abandon(std::unique_ptr<ParallelChecks> checks);
    static void TellRunStarts(const std::vector<CheckRunHost::PlacedCheck>& placed);
    void PrepareFreshRun();
    bool TableHoldsResults();
    int RunLines(int firstLine, int lineCount, const Settings& settings, int& row);
    LineResult CheckLine(int i, const Settings& settings, int& row);
    void WriteRow(int row, const std::string& displayName, const std::string& queryName,
                  const std::string& tic, const std::string& answer);
    void EndRun();
    void RecheckTic(int row, const std::string& tic);
    void RecheckStatus(int row, const std::string& status);
    void RecheckCatalogue(int row, bool inCatalogue);
    void WriteExtraCells(int row, const std::vector<CheckRunHost::PlacedCheck>& placed,
                         ParallelChecks& parallel);
    // The totals line, or nothing when the bar query is not part of the run.
    std::string PanelTotals();

    CheckRunHost& host_;
    HttpGetter& http_;
    ServiceHosts hosts_;
    RankFetcher rankFetch_;
    Totals totals_;
    std::optional<ResumePoint> resume_;
    bool running_ = false;
    bool rechecking_ = false;
    Clock* clock_ = &SteadyClock();
    std::unique_ptr<Pacer> pacer_;
    // Checks of a stopped parallel run, cancelled and let go: joined once done, or at the end.
    std::vector<std::unique_ptr<ParallelChecks>> abandoned_;
};

}  // namespace vantle
