#pragma once
// The check run over the domain list, the stop command, and the recheck of rows: the state, the resume
// and the restore; what walks the lines is a LineRun of one of two kinds (the old services one domain
// at a time, today's checks many at once), a recheck a walk of the same kind over rows. The windows
// call in through the named handlers; everything the run does to them goes through CheckRunHost.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FWURLPosition/TFWURLPosition.h"
#include "check/CheckRunHost.h"
#include "check/OneByOne.h"
#include "check/ParallelRun.h"
#include "check/ServiceHosts.h"
#include "http/HttpGetter.h"
#include "io/Journal.h"

namespace vantle {

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
    // The DNS resolver asked at most perSecond queries a second from the next query on; the other
    // services keep their paces (a back-off of an earlier run included).
    void UseDnsRate(int perSecond);

    // The start command ("Пуск"): a fresh run, or the continuation of a stopped one.
    void Button2Click();
    // The stop command ("Стоп"): only shows the start button again; the run sees it after its pump.
    void Button3Click();
    // The recheck of the selected row ("Перепроверить").
    void N5Click();
    // The recheck of rows (the selection, in the order shown) with the checks chosen now: today's checks
    // many rows at once as a run goes, the old services one row at a time. The progress bar counts the
    // rows; "Стоп" ends it, and the next start goes on with the rows left (a stopped run after that).
    // Nothing while a run or a recheck goes.
    void Recheck(std::vector<int> rows);

    // The table was reset under the run (hand-over, list import): a stopped run or recheck is not
    // continued.
    void ForgetResume();
    // Whether the next start goes on with a stopped run or recheck.
    bool Resumable() const { return resume_.has_value() || !recheckLeft_.empty(); }

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
    // them left out), its totals, and where the run goes on. A row missing from the journal (its write
    // failed) and the rows after it are left for the run to check again.
    void RestoreRows(const JournalState& state);

    const Totals& totals() const { return totals_; }
    // "Клееных: <n>; Нулевых: <n>; ЯК: <n>"
    std::string TotalsLine() const;
    bool Running() const { return running_; }
    RunState State();

private:
    using Settings = OneByOneRun::Settings;
    // Where a stopped run goes on: the next line to check and the next row to write.
    struct ResumePoint {
        int line = 0;
        int row = 1;
    };

    std::optional<Settings> ReadSettings();
    // Whether any of the old services (bar, index, PageRank) is chosen: they go one domain at a time.
    bool OldServicesChosen();
    CheckBounds Bounds();
    std::unique_ptr<LineRun> MakeRun(const Settings& settings);
    void SetRunning(bool running);
    void ShowState();
    static void TellRunStarts(const std::vector<CheckRunHost::PlacedCheck>& placed);
    void PrepareFreshRun();
    bool TableHoldsResults();
    void EndRun();

    CheckRunHost& host_;
    HttpGetter& http_;
    ServiceHosts hosts_;
    RankFetcher rankFetch_;
    Totals totals_;
    std::optional<ResumePoint> resume_;
    std::vector<int> recheckLeft_;  // the rows a stopped recheck did not reach
    bool running_ = false;
    bool rechecking_ = false;
    Clock* clock_ = &SteadyClock();
    std::unique_ptr<Pacer> pacer_;
    int dnsRate_ = kDefaultDnsRate;
    // Checks of a stopped parallel run, cancelled and let go: joined once done, or at the end.
    Abandoned abandoned_;
};

}  // namespace vantle
