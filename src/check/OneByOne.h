#pragma once
// The old services' run: the bar query (Tic, Status, Yaca), the index and PageRank, one domain at a
// time with the rate's pause after each; the checks of today chosen beside them run meanwhile on
// threads of their own. Its recheck goes the same way, one row at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FWURLPosition/TFWURLPosition.h"
#include "check/CheckRunHost.h"
#include "check/LineRun.h"
#include "check/ParallelChecks.h"
#include "check/RunStatus.h"
#include "check/ServiceHosts.h"
#include "http/HttpGetter.h"

namespace vantle {

// Running totals of the table; they live as long as the program.
struct Totals {
    std::int32_t GluedCount = 0;  // rows whose status begins with "Vantle"
    std::int32_t ZeroCount = 0;   // rows whose TIC text is "0"
    std::int32_t YacaCount = 0;   // rows in the catalogue
};

// "Клееных: <n>; Нулевых: <n>; ЯК: <n>"
std::string TotalsText(const Totals& totals);

// Below this threshold a stopped run can be resumed; from it on the stop ends the run with the save
// question, and the status bar names every domain checked.
inline constexpr std::int32_t kQuietThreshold = 10;

class OneByOneRun : public LineRun {
public:
    struct Settings {
        std::int32_t threshold = 0;
        int pauseMs = 0;
    };
    OneByOneRun(CheckRunHost& host, HttpGetter& http, const ServiceHosts& hosts, const RankFetcher& rankFetch,
                Totals& totals, CheckBounds bounds, Settings settings);

    // Stops after the current line; a TIC that is no number ends the run at its line (an error box).
    int Lines(int first, int count, int& row) override;
    // Stops between two rows.
    int Rows(const std::vector<int>& rows) override;

private:
    enum class LineResult { Skipped, Checked, Failed };

    LineResult CheckLine(int i, int& row);
    std::unique_ptr<ParallelChecks> StartExtraChecks(const std::vector<CheckRunHost::PlacedCheck>& placed,
                                                     const DomainNames& names);
    void WriteRow(int row, const std::string& displayName, const std::string& queryName,
                  const std::string& tic, const std::string& answer);
    void FillOptionalCells(int row, const std::string& queryName);
    void WriteExtraCells(int row, const std::vector<CheckRunHost::PlacedCheck>& placed,
                         ParallelChecks& parallel);
    // The totals line, or nothing when the bar query is not part of the run.
    std::string PanelTotals();
    // Shows the rows a minute and the time left for `left` rows once `done` are done (none yet: 0);
    // a row takes at least pauseMs.
    void ShowStanding(int done, int left, int pauseMs);
    void RecheckRow(int row);
    void RecheckTic(int row, const std::string& tic);
    void RecheckStatus(int row, const std::string& status);
    void RecheckCatalogue(int row, bool inCatalogue);

    CheckRunHost& host_;
    HttpGetter& http_;
    const ServiceHosts& hosts_;
    const RankFetcher& rankFetch_;
    Totals& totals_;
    const CheckBounds bounds_;
    const Settings settings_;
    RowRate rate_;
    int firstLine_ = 0;
    int lineCount_ = 0;
};

}  // namespace vantle
