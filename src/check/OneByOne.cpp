#include "check/OneByOne.h"

#include <algorithm>
#include <utility>

#include "check/BarQuery.h"
#include "check/CleanDomainLine.h"
#include "check/InPlaceChecks.h"
#include "check/IndexQuery.h"
#include "check/ParallelRun.h"
#include "check/Texts.h"
#include "text/IntText.h"
#include "text/TextCut.h"

namespace vantle {

namespace {

constexpr int kPumpEveryMs = 10;
constexpr int kRecheckPauseMs = 250;

// A checked box whose column is missing never writes over another column.
bool IsOptionalColumn(int col, int colCount) {
    return col >= 4 && col < colCount;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string TotalsText(const Totals& totals) {
    return texts::Glued() + IntToStr(totals.GluedCount) + texts::Zero() + IntToStr(totals.ZeroCount) +
           texts::Yaca() + IntToStr(totals.YacaCount);
}

OneByOneRun::OneByOneRun(CheckRunHost& host, HttpGetter& http, const ServiceHosts& hosts,
                         const RankFetcher& rankFetch, Totals& totals, CheckBounds bounds, Settings settings)
    : host_(host),
      http_(http),
      hosts_(hosts),
      rankFetch_(rankFetch),
      totals_(totals),
      bounds_(bounds),
      settings_(settings) {}

// Walks lines [firstLine, lineCount). Returns the index of the line at which the run stopped or
// failed and from which it can be resumed, or -1 when it went through to the end.
int OneByOneRun::Lines(int firstLine, int lineCount, int& row) {
    firstLine_ = firstLine;
    lineCount_ = lineCount;
    ShowStanding(0, lineCount - firstLine, settings_.pauseMs);
    for (int i = firstLine; i < lineCount; ++i) {
        switch (CheckLine(i, row)) {
            case LineResult::Skipped:
                continue;
            case LineResult::Failed:
                return i;
            case LineResult::Checked:
                break;
        }
        if (host_.StartVisible()) {
            return i + 1;
        }
    }
    return -1;
}

OneByOneRun::LineResult OneByOneRun::CheckLine(int i, int& row) {
    const std::optional<std::string> displayName = CleanDomainLine(host_.Line(i));
    if (!displayName) {
        return LineResult::Skipped;
    }
    const DomainNames names = NamesOf(*displayName);
    const std::string& queryName = names.ascii;
    const std::vector<CheckRunHost::PlacedCheck> extras = host_.ExtraChecks();
    std::unique_ptr<ParallelChecks> parallel = StartExtraChecks(extras, names);
    bool keep = true;
    if (host_.BarChecked()) {
        const std::string answer = BarQuery(http_, hosts_, queryName);
        const std::string tic = Trim(ExtractTic(answer));
        std::int32_t value = 0;
        try {
            value = StrToInt(tic);
        } catch (const EConvertError& e) {
            parallel.reset();  // the other checks of the line are not wanted any more
            host_.ErrorBox(e.what());
            return LineResult::Failed;
        }
        keep = value >= settings_.threshold;
        if (keep) {
            WriteRow(row, *displayName, queryName, tic, answer);
        }
    } else {
        host_.SetCell(0, row, *displayName);
        FillOptionalCells(row, queryName);
    }
    if (keep && parallel) {
        WriteExtraCells(row, extras, *parallel);
    }
    // The pause runs from the end of the line's requests: the window shows the row, the panels and
    // the progress within it rather than on top of it.
    const long long requestsDone = host_.NowMs();
    if (keep) {
        ++row;
        host_.SetRowCount(row);
        host_.RowWritten(row - 1, i);
        host_.ScrollToEndAndRepaint();
    }
    if (settings_.threshold >= kQuietThreshold) {
        host_.SetPanel(2, queryName);
    }
    host_.SetPanel(0, texts::Total() + IntToStr(host_.RowCount() - 1) + "/" + IntToStr(host_.LineCount()));
    host_.SetPanel(1, PanelTotals());
    ShowStanding(i + 1 - firstLine_, lineCount_ - i - 1, settings_.pauseMs);
    host_.SetProgressPosition(host_.ProgressPosition() + 1);
    const long long shown = host_.NowMs() - requestsDone;
    host_.Sleep(static_cast<int>(std::max<long long>(0, settings_.pauseMs - shown)));
    host_.ProcessMessages();
    return LineResult::Checked;
}

// The checks beside the old services start as soon as the domain is known and run while the old
// services are asked; nothing starts when none is chosen.
std::unique_ptr<ParallelChecks> OneByOneRun::StartExtraChecks(
    const std::vector<CheckRunHost::PlacedCheck>& placed, const DomainNames& names) {
    if (placed.empty()) {
        return nullptr;
    }
    return std::make_unique<ParallelChecks>(ChecksOf(placed), names, bounds_, KeepsOf(placed));
}

void OneByOneRun::WriteRow(int row, const std::string& displayName, const std::string& queryName,
                           const std::string& tic, const std::string& answer) {
    if (tic == "0") {
        ++totals_.ZeroCount;
    }
    host_.SetCell(0, row, displayName);
    host_.SetCell(1, row, tic);
    host_.SetCell(3, row, "");
    if (InCatalogue(answer, hosts_)) {
        host_.SetCell(3, row, "Yes");
        ++totals_.YacaCount;
    }
    const std::string status = ClassifyMirror(queryName, answer);
    host_.SetCell(2, row, status);
    if (StartsWith(status, "Vantle")) {
        ++totals_.GluedCount;
    }
    FillOptionalCells(row, queryName);
}

void OneByOneRun::FillOptionalCells(int row, const std::string& queryName) {
    const DomainNames names{host_.Cell(0, row), queryName, std::string()};
    if (host_.YaPagesChecked() && IsOptionalColumn(host_.YaPagesCol(), host_.ColCount())) {
        host_.SetCell(host_.YaPagesCol(), row,
                      IndexCheck(http_, hosts_, FailedIndexGet::Empty).Run(names, CancelToken())[0]);
    }
    if (host_.PageRankChecked() && IsOptionalColumn(host_.PRCol(), host_.ColCount())) {
        host_.SetCell(host_.PRCol(), row, PageRankCheck(hosts_, rankFetch_).Run(names, CancelToken())[0]);
    }
}

// Waits for the checks beside the old services, pumping the window, and writes their cells.
void OneByOneRun::WriteExtraCells(int row, const std::vector<CheckRunHost::PlacedCheck>& placed,
                                  ParallelChecks& parallel) {
    while (!parallel.WaitFor(kPumpEveryMs)) {
        host_.ProcessMessages();
    }
    WritePlacedCells(host_, row, placed, parallel.TakeCells());
}

std::string OneByOneRun::PanelTotals() {
    return host_.BarChecked() ? TotalsText(totals_) : std::string();
}

// Rows a minute over the last minute, from the first row done on (each row's time holds its pause);
// before a rate is measured, the one the pause allows. The service that holds the checks beside the old
// ones back is named as in a run many at once.
void OneByOneRun::ShowStanding(int done, int left, int pauseMs) {
    if (done > 0) {
        rate_.Add(host_.NowMs(), done);
    }
    RunStanding standing;
    standing.written = done;
    standing.left = left;
    const double measured = rate_.PerMinute();
    standing.perMinute = measured > 0 ? measured : 60000.0 / std::max(pauseMs, 1);
    if (bounds_.pacer != nullptr) {
        standing.holder = bounds_.pacer->LongestQueue();
    }
    host_.SetStanding(PaceText(standing));
}

// The old services one row at a time, with their pause; a stop comes between two rows.
int OneByOneRun::Rows(const std::vector<int>& rows) {
    const int count = static_cast<int>(rows.size());
    ShowStanding(0, count, 2 * kRecheckPauseMs);
    for (int k = 0; k < count; ++k) {
        if (host_.StartVisible()) {
            return k;
        }
        RecheckRow(rows[static_cast<std::size_t>(k)]);
        ShowStanding(k + 1, count - k - 1, 2 * kRecheckPauseMs);
        host_.SetProgressPosition(k + 1);
    }
    return -1;
}

void OneByOneRun::RecheckRow(int row) {
    const std::string name = host_.Cell(0, row);
    host_.SetCell(0, row, "> " + name);
    const DomainNames names = NamesOf(name);
    const std::string& queryName = names.ascii;
    const std::vector<CheckRunHost::PlacedCheck> extras = host_.ExtraChecks();
    std::unique_ptr<ParallelChecks> parallel = StartExtraChecks(extras, names);
    if (host_.BarChecked()) {
        const std::string answer = BarQuery(http_, hosts_, queryName);
        RecheckTic(row, ExtractTic(answer));
        RecheckStatus(row, ClassifyMirror(queryName, answer));
        RecheckCatalogue(row, InCatalogue(answer, hosts_));
    }
    if (host_.YaPagesChecked() && IsOptionalColumn(host_.YaPagesCol(), host_.ColCount())) {
        host_.SetCell(host_.YaPagesCol(), row,
                      IndexCheck(http_, hosts_, FailedIndexGet::KeepVariable).Run(names, CancelToken())[0]);
    }
    if (host_.PageRankChecked() && IsOptionalColumn(host_.PRCol(), host_.ColCount())) {
        host_.SetCell(host_.PRCol(), row, PageRankCheck(hosts_, rankFetch_).Run(names, CancelToken())[0]);
    }
    if (parallel) {
        WriteExtraCells(row, extras, *parallel);
    }
    host_.SetPanel(1, PanelTotals());
    host_.Sleep(kRecheckPauseMs);
    host_.ProcessMessages();
    host_.Sleep(kRecheckPauseMs);
    host_.SetCell(0, row, name);
    host_.RowWritten(row, -1);
}

// The TIC text is taken as it is cut: no threshold, and an empty text ends nothing.
void OneByOneRun::RecheckTic(int row, const std::string& tic) {
    const std::string old = host_.Cell(1, row);
    if (old != "0" && tic == "0") {
        ++totals_.ZeroCount;
    } else if (old == "0" && tic > "0") {
        --totals_.ZeroCount;
    }
    host_.SetCell(1, row, tic);
}

// Glued is told by the mirror suffix ": ".
void OneByOneRun::RecheckStatus(int row, const std::string& status) {
    const bool wasGlued = Contains(host_.Cell(2, row), ":");
    const bool isGlued = Contains(status, ":");
    host_.SetCell(2, row, "");
    host_.SetCell(2, row, status);
    if (wasGlued && !isGlued) {
        --totals_.GluedCount;
    } else if (!wasGlued && isGlued) {
        ++totals_.GluedCount;
    }
}

void OneByOneRun::RecheckCatalogue(int row, bool inCatalogue) {
    const bool was = host_.Cell(3, row) == "Yes";
    if (inCatalogue && !was) {
        ++totals_.YacaCount;
    } else if (!inCatalogue && was) {
        --totals_.YacaCount;
    }
    host_.SetCell(3, row, inCatalogue ? "Yes" : "");
}

}  // namespace vantle
