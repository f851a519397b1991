#include "cli/ConsoleHost.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "catalog/CheckCatalog.h"
#include "check/CleanDomainLine.h"
#include "text/Utf8.h"

namespace vantle::cli {
namespace {

// The pause after a line is slept in slices, so that a stop request ends it early.
constexpr int kSleepSliceMs = 20;

}  // namespace

ConsoleHost::ConsoleHost(Settings settings, const CheckEndpoints& endpoints, std::ostream& err,
                         Progress& progress, std::function<bool()> stopRequested)
    : lines_(std::move(settings.lines)),
      parallel_(settings.parallel),
      checkTimeoutMs_(endpoints.checkTimeoutMs),
      rateText_(std::move(settings.rateText)),
      thresholdText_(std::move(settings.thresholdText)),
      err_(err),
      progress_(progress),
      stopRequested_(std::move(stopRequested)),
      store_(settings.store),
      changesOnly_(settings.changesOnly && settings.store != nullptr) {
    std::vector<history::CheckSpan> spans;
    auto served = std::make_shared<history::Served>();
    // The window's layout: Domain, Tic, Status, Yaca always (hidden without the bar query), then
    // YaPages, PR and every other check's columns in the catalog's order.
    for (std::string_view name : CheckNames()) {
        if (settings.checks.count(std::string(name)) == 0) {
            continue;
        }
        const int col = table_.ColCount();
        if (name == "bar") {
            bar_ = true;
            spans.push_back({"bar", 1, {"Tic", "Status", "Yaca"}});
        } else if (name == "yapages" || name == "pr") {
            table_.SetColCount(col + 1);
            table_.SetCell(col, 0, name == "yapages" ? "YaPages" : "PR");
            (name == "yapages" ? yaPagesCol_ : prCol_) = col;
            spans.push_back({std::string(name), col, {table_.Cell(col, 0)}});
        } else if (std::unique_ptr<Check> check = MakeNetworkCheck(name, endpoints)) {
            const std::vector<std::string> headers = check->Columns();
            table_.SetColCount(col + static_cast<int>(headers.size()));
            for (std::size_t i = 0; i < headers.size(); ++i) {
                table_.SetCell(col + static_cast<int>(i), 0, headers[i]);
            }
            spans.push_back({std::string(name), col, headers});
            std::shared_ptr<Check> shared = std::move(check);
            if (store_ != nullptr && !settings.fresh && history::HasLastingAnswers(name)) {
                shared = std::make_shared<history::RememberingCheck>(std::move(shared), *store_, served, [] {
                    return static_cast<std::int64_t>(std::time(nullptr));
                });
            }
            placed_.push_back({shared.get(), col, shared});
            checks_.push_back(std::move(shared));
        }
    }
    // Every answer goes to the store; with a check of today the table ends in Changes (the old
    // services' table stays as it was).
    if (store_ != nullptr) {
        history_ = std::make_unique<history::RunHistory>(*store_, std::move(spans), served);
        // (The list does not change while the host lives, and the reading ends before it goes.)
        history_->ReadAhead(LineCount(), [this](int line) {
            return CleanDomainLine(lines_[static_cast<std::size_t>(line)]).value_or(std::string());
        });
    }
    if (store_ != nullptr && !placed_.empty()) {
        changesCol_ = table_.ColCount();
        table_.SetColCount(changesCol_ + 1);
        table_.SetCell(changesCol_, 0, std::string(history::kChangesColumn));
    }
    changesOnly_ = changesOnly_ && changesCol_ > 0;
    // A row a line at most, and the headers (a list past a million lines grows past that as rows
    // come, rather than asking for all its room before the first row).
    table_.Reserve(std::min<std::size_t>(lines_.size() + 1, std::size_t{1} << 20));
}

ConsoleHost::~ConsoleHost() = default;

std::string ConsoleHost::Line(int i) {
    lastLineAsked_ = std::max(lastLineAsked_, i);
    return i >= 0 && i < LineCount() ? lines_[static_cast<std::size_t>(i)] : std::string();
}

// Position 0 starts the run's clock. Lines skipped by the run move no progress of their own; the
// progress shown counts them once the next line is done.
void ConsoleHost::SetProgressPosition(int position) {
    position_ = position;
    progress_.Update(position > 0 ? lastLineAsked_ + 1 : 0, LineCount(), NowMs());
}

void ConsoleHost::SetPanel(int index, const std::string& text) {
    if (index == 2) {
        progress_.SetDetail(Cp1251ToUtf8(text));
    }
}

void ConsoleHost::SetStanding(const std::string& text) {
    progress_.SetStanding(Cp1251ToUtf8(text));
}

void ConsoleHost::Sleep(int ms) {
    const long long until = NowMs() + ms;
    for (long long now = NowMs(); now < until && !stopRequested_(); now = NowMs()) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::min<long long>(kSleepSliceMs, until - now)));
    }
}

long long ConsoleHost::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ConsoleHost::ProcessMessages() {
    if (stopRequested_() && !startVisible_ && run_ != nullptr) {
        run_->Button3Click();
    }
}

void ConsoleHost::Say(const std::string& cp1251) {
    progress_.Finish();
    err_ << "vantle-cli: " << Cp1251ToUtf8(cp1251) << '\n' << std::flush;
}

void ConsoleHost::InfoBox(const std::string& text) {
    infoShown_ = true;
    Say(text);
}

// The standard error box's text: the message with a full stop where due.
void ConsoleHost::ErrorBox(const std::string& message) {
    errorShown_ = true;
    Say(!message.empty() && static_cast<unsigned char>(message.back()) > '.' ? message + "." : message);
}

std::vector<int> ConsoleHost::SavedColumns() const {
    std::vector<int> cols;
    for (int c = 0; c < table_.ColCount(); ++c) {
        if (IsSaved(c)) {
            cols.push_back(c);
        }
    }
    return cols;
}

std::vector<std::string> ConsoleHost::SavedRow(int row) const {
    std::vector<std::string> cells;
    SavedRow(row, cells);
    return cells;
}

void ConsoleHost::SavedRow(int row, std::vector<std::string>& cells) const {
    // (Called for every row of a run: the columns are picked without making their list, and the
    // cells are copied into those of the row before.)
    std::size_t count = 0;
    for (int c = 0; c < table_.ColCount(); ++c) {
        if (!IsSaved(c)) {
            continue;
        }
        if (count < cells.size()) {
            cells[count] = table_.Cell(c, row);
        } else {
            cells.push_back(table_.Cell(c, row));
        }
        ++count;
    }
    cells.resize(count);
}

std::vector<int> ConsoleHost::SavedRows() const {
    const std::vector<int> cols = SavedColumns();
    const bool noRow = table_.RowCount() == 2 && std::all_of(cols.begin(), cols.end(), [this](int c) {
                           return table_.Cell(c, 1).empty();
                       });
    std::vector<int> rows{0};
    for (int row = 1; row < (noRow ? 1 : table_.RowCount()); ++row) {
        if (!changesOnly_ || !table_.Cell(changesCol_, row).empty()) {
            rows.push_back(row);
        }
    }
    return rows;
}

CsvTable ConsoleHost::Saved() const {
    const std::vector<int> cols = SavedColumns();
    const std::vector<int> rows = SavedRows();
    return CsvTable{
        static_cast<int>(rows.size()), static_cast<int>(cols.size()), [this, cols, rows](int col, int row) {
            return table_.Cell(cols[static_cast<std::size_t>(col)], rows[static_cast<std::size_t>(row)]);
        }};
}

std::string ConsoleHost::UseJournal(const std::string& stateDir, std::vector<std::string> checkNames,
                                    bool resume) {
    checkNames_ = std::move(checkNames);
    JournalSlot slot =
        JournalSlot::Take(stateDir, [&](const JournalState& state) { return resume && Continues(state); });
    journal_ = std::make_unique<RunJournal>(std::move(slot));
    return journal_->Dir();
}

std::string ConsoleHost::ListBytes() const {
    std::string bytes;
    for (const std::string& line : lines_) {
        bytes.append(line);
        bytes.push_back('\n');
    }
    return bytes;
}

// The row's Changes against the store, and its answers into it; a problem of the store is told once.
void ConsoleHost::RecordRow(int row, int line) {
    if (!history_) {
        return;
    }
    if (line < 0) {
        history_->Flush();  // a recheck compares with the run's own answers
    }
    const history::RowChanges changes = history_->Finished(
        table_.Cell(0, row), table_.Row(row), static_cast<std::int64_t>(std::time(nullptr)), line);
    if (changesCol_ > 0 && (!changes.text.empty() || !table_.Cell(changesCol_, row).empty())) {
        table_.SetCell(changesCol_, row, changes.text);
    }
    if (const std::optional<std::string> problem = store_->TakeProblem()) {
        Say(*problem);
    }
}

void ConsoleHost::RowWritten(int row, int line) {
    RecordRow(row, line);
    if (sink_ && (!changesOnly_ || !table_.Cell(changesCol_, row).empty())) {
        SavedRow(row, sunk_);
        sink_(sunk_);
    }
    if (!journal_) {
        return;
    }
    const Totals& totals = run_->totals();
    const std::optional<std::string> error = journal_->Row(
        row, line, table_.Row(row), {totals.GluedCount, totals.ZeroCount, totals.YacaCount},
        [this] {
            return JournalStart{table_.RowCells(0), checkNames_, LineCount(), {}};
        },
        [this] { return ListBytes(); });
    if (error) {
        err_ << "vantle-cli: журнал не записывается: " << Utf8ToCp1251(*error) << '\n';
    }
}

bool ConsoleHost::Continues(const JournalState& state) const {
    return !state.done && !state.rows.empty() && state.start.listHash == ListHash(ListBytes()) &&
           static_cast<std::size_t>(state.start.lineCount) == lines_.size() &&
           state.start.checks == checkNames_ && state.start.columns == table_.RowCells(0);
}

bool ConsoleHost::ResumeFrom(const JournalState& state, CheckRun& run) {
    if (!Continues(state)) {
        return false;
    }
    if (state.rejected > 0) {
        err_ << "vantle-cli: записей журнала не подошло и пропущено: " << state.rejected << '\n';
    }
    run.RestoreRows(state);
    resumeFlag_.assign(1, '1');  // (a plain "1" trips a false -Wrestrict of GCC 12 here)
    if (journal_) {
        journal_->SetFresh(false);
    }
    return true;
}

}  // namespace vantle::cli
