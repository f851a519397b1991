#include "check/CheckRun.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>

#include "check/BarQuery.h"
#include "check/CleanDomainLine.h"
#include "check/InPlaceChecks.h"
#include "check/IndexQuery.h"
#include "check/ParallelChecks.h"
#include "check/Texts.h"
#include "puny/DomainName.h"
#include "puny/IdnaName.h"
#include "text/IntText.h"
#include "text/TextCut.h"

namespace vantle {

namespace {

// Below this threshold a stopped run can be resumed; from it on the stop ends the run with the
// save question, and the status bar names every domain checked.
constexpr std::int32_t kQuietThreshold = 10;
constexpr int kRecheckPauseMs = 250;

// A checked box whose column is missing never writes over another column.
bool IsOptionalColumn(int col, int colCount) {
    return col >= 4 && col < colCount;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

constexpr int kPumpEveryMs = 10;
// Many domains at once: how often a free place is looked for while the first row is not done, and
// how many lines are held at least, running or waiting for the rows above them.
constexpr int kRefillEveryMs = 2;
constexpr std::size_t kHeldLines = 1024;

DomainNames NamesOf(const std::string& displayName) {
    return DomainNames{displayName, DomainToAscii(displayName), CheckableAsciiName(displayName).value_or(""),
                       std::make_shared<DomainFacts>()};
}

std::vector<Check*> ChecksOf(const std::vector<CheckRunHost::PlacedCheck>& placed) {
    std::vector<Check*> checks;
    checks.reserve(placed.size());
    for (const auto& p : placed) {
        checks.push_back(p.check);
    }
    return checks;
}

std::vector<std::shared_ptr<Check>> KeepsOf(const std::vector<CheckRunHost::PlacedCheck>& placed) {
    std::vector<std::shared_ptr<Check>> keeps;
    for (const auto& p : placed) {
        if (p.keep) {
            keeps.push_back(p.keep);
        }
    }
    return keeps;
}

}  // namespace

CheckRun::CheckRun(CheckRunHost& host, HttpGetter& http, ServiceHosts hosts, RankFetcher rankFetch)
    : host_(host),
      http_(http),
      hosts_(std::move(hosts)),
      rankFetch_(std::move(rankFetch)),
      pacer_(std::make_unique<Pacer>(*clock_, DefaultPaceRules())) {}

CheckRun::~CheckRun() = default;

void CheckRun::UsePace(Clock& clock, std::vector<PaceRule> rules) {
    clock_ = &clock;
    pacer_ = std::make_unique<Pacer>(clock, std::move(rules));
}

RunState CheckRun::State() {
    if (rechecking_) {
        return RunState::Rechecking;
    }
    if (!running_) {
        return RunState::Idle;
    }
    return host_.StartVisible() ? RunState::Stopping : RunState::Running;
}

void CheckRun::SetRunning(bool running) {
    running_ = running;
    ShowState();
}

// A run and a recheck keep the same commands away.
void CheckRun::ShowState() {
    host_.SetRunInProgress(running_ || rechecking_);
    host_.StateChanged();
}

bool CheckRun::OldServicesChosen() {
    return host_.BarChecked() || host_.YaPagesChecked() || host_.PageRankChecked();
}

CheckBounds CheckRun::Bounds() {
    return CheckBounds{clock_, pacer_.get(), host_.CheckTimeoutMs()};
}

// The checks beside the old services start as soon as the domain is known and run while the old
// services are asked; nothing starts when none is chosen.
std::unique_ptr<ParallelChecks> CheckRun::StartExtraChecks(
    const std::vector<CheckRunHost::PlacedCheck>& placed, const DomainNames& names) {
    if (placed.empty()) {
        return nullptr;
    }
    return std::make_unique<ParallelChecks>(ChecksOf(placed), names, Bounds(), KeepsOf(placed));
}

void CheckRun::TellRunStarts(const std::vector<CheckRunHost::PlacedCheck>& placed) {
    for (const CheckRunHost::PlacedCheck& p : placed) {
        p.check->RunStarts();
    }
}

void CheckRun::Abandon(std::unique_ptr<ParallelChecks> checks) {
    if (!checks) {
        return;
    }
    checks->Cancel();
    std::erase_if(abandoned_, [](const std::unique_ptr<ParallelChecks>& old) { return old->WaitFor(0); });
    abandoned_.push_back(std::move(checks));
}

std::string CheckRun::TotalsLine() const {
    return texts::Glued() + IntToStr(totals_.GluedCount) + texts::Zero() + IntToStr(totals_.ZeroCount) +
           texts::Yaca() + IntToStr(totals_.YacaCount);
}

void CheckRun::ForgetResume() {
    resume_.reset();
}

void CheckRun::Button3Click() {
    host_.SetStartVisible(true);
}

// Threshold and rate are read before anything changes, so a bad value leaves the window as it was.
std::optional<CheckRun::Settings> CheckRun::ReadSettings() {
    Settings settings;
    try {
        const std::string threshold = host_.BarChecked() ? host_.ThresholdText() : std::string();
        settings.threshold = threshold.empty() ? 0 : StrToInt(Trim(threshold));
        const std::int32_t rate = StrToInt(host_.RateText());
        settings.pauseMs = 1000 / (rate < 1 ? 1 : rate);
    } catch (const EConvertError& e) {
        host_.ErrorBox(e.what());
        return std::nullopt;
    }
    return settings;
}

bool CheckRun::TableHoldsResults() {
    if (host_.RowCount() > 2) {
        return true;
    }
    for (int c = 0; c < host_.ColCount(); ++c) {
        if (!host_.Cell(c, 1).empty()) {
            return true;
        }
    }
    return false;
}

// A fresh run starts on a clean table, so that the totals, which start at zero, match it.
void CheckRun::PrepareFreshRun() {
    if (TableHoldsResults()) {
        host_.ResetTable();
        host_.SetPanel(0, "");
        host_.SetPanel(1, "");
        host_.SetProgressVisible(false);
        host_.SetCsvEnabled(false);
    }
    host_.SetProgressPosition(0);
    totals_ = Totals{};
}

void CheckRun::Button2Click() {
    if (running_ || rechecking_) {
        return;
    }
    const int lines = host_.LineCount();
    if (lines == 0) {
        host_.InfoBox(texts::NeedDomainList());
        return;
    }
    const std::optional<Settings> settings = ReadSettings();
    if (!settings) {
        return;
    }
    const bool resuming = host_.ResumeFlag() == "1" && resume_.has_value();
    ResumePoint start;
    if (resuming) {
        start = *resume_;
    } else {
        PrepareFreshRun();
    }
    resume_.reset();
    host_.SetPanel(2, "");
    host_.SetProgressVisible(true);
    if (host_.ResumeFlag() == "1") {
        host_.SetResumeFlag("0");
    }
    host_.SetProgressMaximum(lines);
    host_.SetStartVisible(false);
    SetRunning(true);

    int row = start.row;
    TellRunStarts(host_.ExtraChecks());
    const int resumeLine = OldServicesChosen() ? RunLines(start.line, lines, *settings, row)
                                               : RunLinesParallel(start.line, lines, row);
    if (resumeLine >= 0 && settings->threshold < kQuietThreshold) {
        host_.SetResumeFlag("1");
        resume_ = ResumePoint{resumeLine, row};
    }
    EndRun();
}

// Walks lines [firstLine, lineCount). Returns the index of the line at which the run stopped or
// failed and from which it can be resumed, or -1 when it went through to the end.
int CheckRun::RunLines(int firstLine, int lineCount, const Settings& settings, int& row) {
    for (int i = firstLine; i < lineCount; ++i) {
        switch (CheckLine(i, settings, row)) {
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

CheckRun::LineResult CheckRun::CheckLine(int i, const Settings& settings, int& row) {
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
        keep = value >= settings.threshold;
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
    if (settings.threshold >= kQuietThreshold) {
        host_.SetPanel(2, queryName);
    }
    host_.SetPanel(0, texts::Total() + IntToStr(host_.RowCount() - 1) + "/" + IntToStr(host_.LineCount()));
    host_.SetPanel(1, PanelTotals());
    host_.SetProgressPosition(host_.ProgressPosition() + 1);
    const long long shown = host_.NowMs() - requestsDone;
    host_.Sleep(static_cast<int>(std::max<long long>(0, settings.pauseMs - shown)));
    host_.ProcessMessages();
    return LineResult::Checked;
}

int CheckRun::RunLinesParallel(int firstLine, int lineCount, int& row) {
    struct InFlight {
        int line = 0;
        std::optional<std::string> name;  // nothing for a line that holds no domain
        std::unique_ptr<ParallelChecks> checks;
    };
    const std::vector<CheckRunHost::PlacedCheck> extras = host_.ExtraChecks();
    const auto width = static_cast<std::size_t>(std::clamp(host_.ParallelCount(), 1, 256));
    // Lines held at once, running or done and waiting for the rows above them: a site that takes its
    // whole time holds its row back, not the domains after it.
    const std::size_t held = std::max<std::size_t>(kHeldLines, 16 * width);
    std::deque<InFlight> inFlight;
    int next = firstLine;
    for (;;) {
        std::size_t running = static_cast<std::size_t>(std::count_if(
            inFlight.begin(), inFlight.end(),
            [](const InFlight& domain) { return domain.checks && !domain.checks->WaitFor(0); }));
        while (next < lineCount && running < width && inFlight.size() < held) {
            InFlight domain{next, CleanDomainLine(host_.Line(next)), nullptr};
            if (domain.name) {
                domain.checks = StartExtraChecks(extras, NamesOf(*domain.name));
                running += domain.checks && !domain.checks->WaitFor(0) ? 1 : 0;
            }
            inFlight.push_back(std::move(domain));
            ++next;
        }
        // Each row is shown at once, and a stop given meanwhile leaves the rows after it unwritten.
        while (!inFlight.empty() && !host_.StartVisible() &&
               (!inFlight.front().checks || inFlight.front().checks->WaitFor(0))) {
            InFlight& done = inFlight.front();
            if (done.name) {
                WriteParallelRow(done.line, *done.name, done.checks.get(), extras, row);
                host_.ProcessMessages();
            }
            inFlight.pop_front();
        }
        if (inFlight.empty() && next >= lineCount) {
            return -1;
        }
        if (host_.StartVisible()) {
            // Stopped: what is in flight is let go unwritten, and the next start checks it again.
            const int resumeLine = inFlight.empty() ? next : inFlight.front().line;
            for (InFlight& domain : inFlight) {
                Abandon(std::move(domain.checks));
            }
            return resumeLine;
        }
        const bool full = running >= width || next >= lineCount || inFlight.size() >= held;
        if (full && !inFlight.empty() && inFlight.front().checks) {
            inFlight.front().checks->WaitFor(kRefillEveryMs);
        }
        host_.ProcessMessages();
    }
}

void CheckRun::WriteParallelRow(int line, const std::string& displayName, ParallelChecks* checks,
                                const std::vector<CheckRunHost::PlacedCheck>& placed, int& row) {
    host_.SetCell(0, row, displayName);
    if (checks != nullptr) {
        WriteExtraCells(row, placed, *checks);
    }
    ++row;
    host_.SetRowCount(row);
    host_.RowWritten(row - 1, line);
    host_.ScrollToEndAndRepaint();
    host_.SetPanel(0, texts::Total() + IntToStr(host_.RowCount() - 1) + "/" + IntToStr(host_.LineCount()));
    host_.SetProgressPosition(host_.ProgressPosition() + 1);
}

// Waits for the checks beside the old services, pumping the window, and writes their cells.
void CheckRun::WriteExtraCells(int row, const std::vector<CheckRunHost::PlacedCheck>& placed,
                               ParallelChecks& parallel) {
    while (!parallel.WaitFor(kPumpEveryMs)) {
        host_.ProcessMessages();
    }
    for (std::size_t k = 0; k < placed.size(); ++k) {
        const std::vector<std::string>& cells = parallel.Cells(k);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const int col = placed[k].firstCol + static_cast<int>(c);
            if (IsOptionalColumn(col, host_.ColCount())) {
                host_.SetCell(col, row, cells[c]);
            }
        }
    }
}

std::string CheckRun::PanelTotals() {
    return host_.BarChecked() ? TotalsLine() : std::string();
}

void CheckRun::WriteRow(int row, const std::string& displayName, const std::string& queryName,
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

void CheckRun::EndRun() {
    if (host_.ResumeFlag() != "1" && host_.AskSave(texts::SaveQuestion())) {
        if (!host_.CsvEnabled()) {
            host_.SetCsvEnabled(true);
        }
        host_.ClickCsv();
    }
    host_.SetStartVisible(true);
    if (host_.RowCount() > 1) {
        host_.SetCsvEnabled(true);
    }
    SetRunning(false);
}

void CheckRun::N5Click() {
    const int row = host_.SelectedRow();
    if (rechecking_ || row < 1 || row >= host_.RowCount()) {
        return;
    }
    rechecking_ = true;
    ShowState();
    TellRunStarts(host_.ExtraChecks());
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
    rechecking_ = false;
    ShowState();
}

// The TIC text is taken as it is cut: no threshold, and an empty text ends nothing.
void CheckRun::RecheckTic(int row, const std::string& tic) {
    const std::string old = host_.Cell(1, row);
    if (old != "0" && tic == "0") {
        ++totals_.ZeroCount;
    } else if (old == "0" && tic > "0") {
        --totals_.ZeroCount;
    }
    host_.SetCell(1, row, tic);
}

// Glued is told by the mirror suffix ": ".
void CheckRun::RecheckStatus(int row, const std::string& status) {
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

void CheckRun::RecheckCatalogue(int row, bool inCatalogue) {
    const bool was = host_.Cell(3, row) == "Yes";
    if (inCatalogue && !was) {
        ++totals_.YacaCount;
    } else if (!inCatalogue && was) {
        --totals_.YacaCount;
    }
    host_.SetCell(3, row, inCatalogue ? "Yes" : "");
}

void CheckRun::RestoreRows(const JournalState& state) {
    const int lastRow = state.rows.empty() ? 0 : state.rows.rbegin()->first;
    host_.SetRowCount(lastRow + 1);
    for (const auto& [row, content] : state.rows) {
        for (int c = 0; c < static_cast<int>(content.cells.size()) && c < host_.ColCount(); ++c) {
            host_.SetCell(c, row, content.cells[static_cast<std::size_t>(c)]);
        }
    }
    const auto [line, row] = state.resume.value_or(std::make_pair(state.lastLine + 1, lastRow + 1));
    Restore(Totals{state.lastTotals[0], state.lastTotals[1], state.lastTotals[2]}, line, row);
}

void CheckRun::FillOptionalCells(int row, const std::string& queryName) {
    const DomainNames names{host_.Cell(0, row), queryName, std::string()};
    if (host_.YaPagesChecked() && IsOptionalColumn(host_.YaPagesCol(), host_.ColCount())) {
        host_.SetCell(host_.YaPagesCol(), row,
                      IndexCheck(http_, hosts_, FailedIndexGet::Empty).Run(names, CancelToken())[0]);
    }
    if (host_.PageRankChecked() && IsOptionalColumn(host_.PRCol(), host_.ColCount())) {
        host_.SetCell(host_.PRCol(), row, PageRankCheck(hosts_, rankFetch_).Run(names, CancelToken())[0]);
    }
}

}  // namespace vantle
