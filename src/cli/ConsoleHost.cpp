#include "cli/ConsoleHost.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "catalog/CheckCatalog.h"
#include "text/Utf8.h"

namespace vantle::cli {
namespace {

// The pause after a line is slept in slices, so that a stop request ends it early.
constexpr int kSleepSliceMs = 20;

}  // namespace

ConsoleHost::ConsoleHost(Settings settings, const CheckEndpoints& endpoints, std::ostream& err,
                         Progress& progress, std::function<bool()> stopRequested)
    : lines_(std::move(settings.lines)),
      rateText_(std::move(settings.rateText)),
      thresholdText_(std::move(settings.thresholdText)),
      err_(err),
      progress_(progress),
      stopRequested_(std::move(stopRequested)) {
    // The window's layout: Domain, Tic, Status, Yaca always (hidden without the bar query), then
    // YaPages, PR and every other check's columns in the catalog's order.
    for (std::string_view name : CheckNames()) {
        if (settings.checks.count(std::string(name)) == 0) {
            continue;
        }
        const int col = table_.ColCount();
        if (name == "bar") {
            bar_ = true;
        } else if (name == "yapages" || name == "pr") {
            table_.SetColCount(col + 1);
            table_.SetCell(col, 0, name == "yapages" ? "YaPages" : "PR");
            (name == "yapages" ? yaPagesCol_ : prCol_) = col;
        } else if (std::unique_ptr<Check> check = MakeNetworkCheck(name, endpoints)) {
            const std::vector<std::string> headers = check->Columns();
            table_.SetColCount(col + static_cast<int>(headers.size()));
            for (std::size_t i = 0; i < headers.size(); ++i) {
                table_.SetCell(col + static_cast<int>(i), 0, headers[i]);
            }
            std::shared_ptr<Check> shared = std::move(check);
            placed_.push_back({shared.get(), col, shared});
            checks_.push_back(std::move(shared));
        }
    }
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

CsvTable ConsoleHost::Saved() const {
    std::vector<int> cols;
    for (int c = 0; c < table_.ColCount(); ++c) {
        if (bar_ || c < 1 || c > 3) {
            cols.push_back(c);
        }
    }
    const bool noRow = table_.RowCount() == 2 && std::all_of(cols.begin(), cols.end(), [this](int c) {
                           return table_.Cell(c, 1).empty();
                       });
    return CsvTable{
        noRow ? 1 : table_.RowCount(), static_cast<int>(cols.size()),
        [this, cols](int col, int row) { return table_.Cell(cols[static_cast<std::size_t>(col)], row); }};
}

void ConsoleHost::UseJournal(const std::string& stateDir, std::vector<std::string> checkNames) {
    journal_ = std::make_unique<JournalWriter>(stateDir);
    checkNames_ = std::move(checkNames);
}

std::string ConsoleHost::ListBytes() const {
    std::string bytes;
    for (const std::string& line : lines_) {
        bytes.append(line);
        bytes.push_back('\n');
    }
    return bytes;
}

void ConsoleHost::RowWritten(int row, int line) {
    if (!journal_) {
        return;
    }
    bool written = true;
    if (journalFresh_) {
        journalFresh_ = false;
        JournalStart start;
        start.columns = table_.RowCells(0);
        start.checks = checkNames_;
        start.lineCount = LineCount();
        const std::string list = ListBytes();
        start.listHash = ListHash(list);
        written = journal_->Start(start, list);
    }
    const Totals& totals = run_->totals();
    written =
        journal_->Row(
            row, {line, table_.RowCells(row), {totals.GluedCount, totals.ZeroCount, totals.YacaCount}}) &&
        written;
    if (!written && !journalWarned_) {
        journalWarned_ = true;
        err_ << "vantle-cli: журнал не записывается: " << Utf8ToCp1251(journal_->Error()) << '\n';
    }
}

bool ConsoleHost::ResumeFrom(const JournalState& state, CheckRun& run) {
    if (state.done || state.rows.empty() || state.start.listHash != ListHash(ListBytes()) ||
        state.start.checks != checkNames_ || state.start.columns != table_.RowCells(0)) {
        return false;
    }
    const int lastRow = state.rows.rbegin()->first;
    table_.SetRowCount(lastRow + 1);
    for (const auto& [row, content] : state.rows) {
        for (int c = 0; c < static_cast<int>(content.cells.size()) && c < table_.ColCount(); ++c) {
            table_.SetCell(c, row, content.cells[static_cast<std::size_t>(c)]);
        }
    }
    const auto [line, row] = state.resume.value_or(std::make_pair(state.lastLine + 1, lastRow + 1));
    run.Restore(Totals{state.lastTotals[0], state.lastTotals[1], state.lastTotals[2]}, line, row);
    resumeFlag_.assign(1, '1');  // (a plain "1" trips a false -Wrestrict of GCC 12 here)
    journalFresh_ = false;
    return true;
}

}  // namespace vantle::cli
