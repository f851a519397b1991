#include "check/ParallelRun.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <utility>

#include "check/CleanDomainLine.h"
#include "check/RunStatus.h"
#include "check/Texts.h"
#include "text/IntText.h"

namespace vantle {

namespace {

// How long the walk waits for a domain to finish before it pumps the host again.
constexpr auto kPumpEvery = std::chrono::milliseconds(10);
// How often the status bar's standing is written anew.
constexpr long long kShowEveryMs = 500;

}  // namespace

Abandoned::~Abandoned() = default;

void Abandoned::Add(std::unique_ptr<ParallelChecks> checks) {
    if (checks) {
        checks->Cancel();
        checks_.push_back(std::move(checks));
    }
}

void Abandoned::Sweep() {
    std::erase_if(checks_, [](const std::unique_ptr<ParallelChecks>& old) { return old->WaitFor(0); });
}

// Rung by a domain's last check when it is done: the walk sleeps on it instead of polling its domains.
// Shared with the checks, which may ring it after the walk has ended.
struct ParallelRun::Bell {
    std::mutex mutex;
    std::condition_variable rung;
    std::deque<int> done;

    void Ring(int k) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            done.push_back(k);
        }
        rung.notify_one();
    }
    void Wait(std::chrono::milliseconds most) {
        std::unique_lock<std::mutex> lock(mutex);
        rung.wait_for(lock, most, [this] { return !done.empty(); });
    }
    std::deque<int> Take() {
        const std::lock_guard<std::mutex> lock(mutex);
        std::deque<int> taken;
        taken.swap(done);
        return taken;
    }
};

ParallelRun::ParallelRun(CheckRunHost& host, std::vector<CheckRunHost::PlacedCheck> placed,
                         CheckBounds bounds, int width, Abandoned& abandoned)
    : host_(host),
      placed_(std::move(placed)),
      bounds_(bounds),
      width_(std::clamp(width, 1, 256)),
      abandoned_(abandoned) {}

int ParallelRun::Walk(int first, int count, const Item& item, const Write& write) {
    struct Domain {
        std::unique_ptr<ParallelChecks> checks;  // while it runs
        Cells cells;
        bool done = false;
    };
    const std::vector<Check*> checks = ChecksOf(placed_);
    const std::vector<std::shared_ptr<Check>> keeps = KeepsOf(placed_);
    const auto bell = std::make_shared<Bell>();
    std::map<int, Domain> held;  // started and not yet written, by item
    int next = first;
    int toWrite = first;
    counts_ = RunCounts{};
    RowRate rate;
    long long shownMs = host_.NowMs() - kShowEveryMs;
    const auto show = [&] {
        const long long now = host_.NowMs();
        rate.Add(now, counts_.written);
        if (now - shownMs < kShowEveryMs) {
            return;
        }
        shownMs = now;
        RunStanding standing{counts_.written, count - toWrite,  counts_.inFlight,
                             counts_.waiting, rate.PerMinute(), std::nullopt};
        if (bounds_.pacer != nullptr) {
            standing.holder = bounds_.pacer->LongestQueue();
        }
        host_.SetPanel(2, StandingText(standing));
    };
    for (;;) {
        while (next < count && counts_.inFlight < width_ && !host_.StartVisible()) {
            Domain& domain = held[next];
            const std::optional<DomainNames> names = item(next);
            if (!names || checks.empty()) {
                domain.done = true;
            } else {
                const int k = next;
                ++counts_.inFlight;
                domain.checks = std::make_unique<ParallelChecks>(checks, *names, bounds_, keeps,
                                                                 [bell, k] { bell->Ring(k); });
            }
            ++next;
        }
        for (const int k : bell->Take()) {
            Domain& domain = held.at(k);
            domain.cells = domain.checks->TakeCells();
            domain.checks.reset();  // its threads have ended: joined here, at once
            domain.done = true;
            --counts_.inFlight;
        }
        // Each result is shown at once, and a stop given meanwhile leaves the ones after it unwritten.
        for (auto it = held.begin(); it != held.end() && it->first == toWrite && it->second.done;
             it = held.erase(it), ++toWrite) {
            if (host_.StartVisible()) {
                break;
            }
            write(toWrite, it->second.cells);
            ++counts_.written;
            host_.ProcessMessages();
        }
        counts_.waiting = static_cast<int>(held.size()) - counts_.inFlight;
        show();
        if (toWrite >= count) {
            return -1;
        }
        if (host_.StartVisible()) {
            for (auto& [k, domain] : held) {
                abandoned_.Add(std::move(domain.checks));
            }
            abandoned_.Sweep();
            return toWrite;
        }
        // A free place is filled at once; otherwise wait until a domain is done or the pump is due.
        if (next >= count || counts_.inFlight >= width_) {
            bell->Wait(kPumpEvery);
        }
        host_.ProcessMessages();
    }
}

int ManyAtOnceRun::Lines(int firstLine, int lineCount, int& row) {
    const std::vector<CheckRunHost::PlacedCheck> extras = host_.ExtraChecks();
    ParallelRun run(host_, extras, bounds_, host_.ParallelCount(), abandoned_);
    std::vector<std::optional<std::string>> names(static_cast<std::size_t>(lineCount));
    const auto item = [&](int line) -> std::optional<DomainNames> {
        auto& name = names[static_cast<std::size_t>(line)];
        name = CleanDomainLine(host_.Line(line));
        return name ? std::optional<DomainNames>(NamesOf(*name)) : std::nullopt;
    };
    const auto write = [&](int line, const ParallelRun::Cells& cells) {
        auto& name = names[static_cast<std::size_t>(line)];
        if (!name) {
            return;
        }
        host_.SetCell(0, row, *name);
        WritePlacedCells(host_, row, extras, cells);
        name.reset();
        ++row;
        host_.SetRowCount(row);
        host_.RowWritten(row - 1, line);
        host_.ScrollToEndAndRepaint();
        host_.SetPanel(0,
                       texts::Total() + IntToStr(host_.RowCount() - 1) + "/" + IntToStr(host_.LineCount()));
        host_.SetProgressPosition(host_.ProgressPosition() + 1);
    };
    return run.Walk(firstLine, lineCount, item, write);
}

// Today's checks many rows at once, as a run goes. A row in flight shows "> " before its name.
int ManyAtOnceRun::Rows(const std::vector<int>& rows) {
    const std::vector<CheckRunHost::PlacedCheck> extras = host_.ExtraChecks();
    ParallelRun run(host_, extras, bounds_, host_.ParallelCount(), abandoned_);
    std::vector<std::string> names;
    const auto item = [&](int k) -> std::optional<DomainNames> {
        const int row = rows[static_cast<std::size_t>(k)];
        names.push_back(host_.Cell(0, row));
        host_.SetCell(0, row, "> " + names.back());
        return NamesOf(names.back());
    };
    const auto write = [&](int k, const ParallelRun::Cells& cells) {
        const int row = rows[static_cast<std::size_t>(k)];
        host_.SetCell(0, row, names[static_cast<std::size_t>(k)]);
        WritePlacedCells(host_, row, extras, cells);
        host_.RowWritten(row, -1);
        host_.SetProgressPosition(k + 1);
    };
    const int stopped = run.Walk(0, static_cast<int>(rows.size()), item, write);
    for (std::size_t k = stopped < 0 ? names.size() : static_cast<std::size_t>(stopped); k < names.size();
         ++k) {
        host_.SetCell(0, rows[k], names[k]);  // let go unwritten
    }
    return stopped;
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

void WritePlacedCells(CheckRunHost& host, int row, const std::vector<CheckRunHost::PlacedCheck>& placed,
                      const ParallelRun::Cells& cells) {
    for (std::size_t k = 0; k < placed.size() && k < cells.size(); ++k) {
        for (std::size_t c = 0; c < cells[k].size(); ++c) {
            const int col = placed[k].firstCol + static_cast<int>(c);
            if (col >= 4 && col < host.ColCount()) {
                host.SetCell(col, row, cells[k][c]);
            }
        }
    }
}

}  // namespace vantle
