#include "check/CheckRun.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "check/ParallelRun.h"
#include "check/Texts.h"
#include "text/IntText.h"
#include "text/TextCut.h"

namespace vantle {

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

void CheckRun::UseDnsRate(int perSecond) {
    if (perSecond != dnsRate_) {
        dnsRate_ = perSecond;
        pacer_->SetPace("dns", DnsPace(perSecond));
    }
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

void CheckRun::TellRunStarts(const std::vector<CheckRunHost::PlacedCheck>& placed) {
    for (const CheckRunHost::PlacedCheck& p : placed) {
        p.check->RunStarts();
    }
}

std::string CheckRun::TotalsLine() const {
    return TotalsText(totals_);
}

// The old services go one domain at a time; without them the domains go many at once.
std::unique_ptr<LineRun> CheckRun::MakeRun(const Settings& settings) {
    if (OldServicesChosen()) {
        return std::make_unique<OneByOneRun>(host_, http_, hosts_, rankFetch_, totals_, Bounds(), settings);
    }
    return std::make_unique<ManyAtOnceRun>(host_, Bounds(), abandoned_);
}

void CheckRun::ForgetResume() {
    resume_.reset();
    recheckLeft_.clear();
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
    if (host_.ResumeFlag() == "1" && !recheckLeft_.empty()) {
        Recheck(recheckLeft_);  // a stopped recheck goes on first; a stopped run waits for the next start
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
    host_.SetStanding("");
    host_.SetProgressVisible(true);
    if (host_.ResumeFlag() == "1") {
        host_.SetResumeFlag("0");
    }
    host_.SetProgressMaximum(lines);
    host_.SetStartVisible(false);
    SetRunning(true);

    int row = start.row;
    TellRunStarts(host_.ExtraChecks());
    const int resumeLine = MakeRun(*settings)->Lines(start.line, lines, row);
    if (resumeLine >= 0 && settings->threshold < kQuietThreshold) {
        host_.SetResumeFlag("1");
        resume_ = ResumePoint{resumeLine, row};
    }
    EndRun();
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
    Recheck({host_.SelectedRow()});
}

void CheckRun::Recheck(std::vector<int> rows) {
    std::erase_if(rows, [this](int row) { return row < 1 || row >= host_.RowCount(); });
    if (running_ || rechecking_ || rows.empty()) {
        return;
    }
    rechecking_ = true;
    const bool wasLeft = !recheckLeft_.empty();
    recheckLeft_.clear();
    ShowState();
    TellRunStarts(host_.ExtraChecks());
    host_.SetStanding("");
    host_.SetProgressVisible(true);
    host_.SetProgressMaximum(static_cast<int>(rows.size()));
    host_.SetProgressPosition(0);
    host_.SetStartVisible(false);  // "Стоп" in its place
    const int stopped = MakeRun(Settings{})->Rows(rows);
    if (stopped >= 0) {
        recheckLeft_.assign(rows.begin() + stopped, rows.end());
    }
    host_.SetStartVisible(true);
    if (stopped >= 0 || wasLeft) {
        host_.SetResumeFlag(Resumable() ? "1" : "0");
    }
    rechecking_ = false;
    ShowState();
}

void CheckRun::RestoreRows(const JournalState& read) {
    JournalState state = read;
    TakeUpToFirstGap(state);
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

}  // namespace vantle
