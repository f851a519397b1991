#pragma once
// Many domains at once: the run of the checks that answer today, and the recheck of rows with them.
// Up to `width` domains are checked at a time however many finished ones wait for a slow one above
// them; a waiting domain is its cells, its threads are gone. Results are written in order. A stop
// lets what is in flight go at once, cancelled, and says where the walk stopped.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "check/CheckRunHost.h"
#include "check/LineRun.h"
#include "check/ParallelChecks.h"

namespace vantle {

// Checks let go by a stop: they end soon after their cancel and are joined once done, never waited for
// on the run's thread while they still run.
class Abandoned {
public:
    ~Abandoned();  // waits for what still runs
    void Add(std::unique_ptr<ParallelChecks> checks);
    // Lets go of the ones that have ended.
    void Sweep();
    std::size_t Count() const { return checks_.size(); }

private:
    std::vector<std::unique_ptr<ParallelChecks>> checks_;
};

// Where a walk stands, for the status line: items written, in flight, done and waiting for an item
// above them.
struct RunCounts {
    int written = 0;
    int inFlight = 0;
    int waiting = 0;
};

class ParallelRun {
public:
    // The cells of every check of an item, in the order of the placed checks; empty for an item
    // without a domain or without checks.
    using Cells = std::vector<std::vector<std::string>>;
    // The domain of item k, or nothing for an item that holds none (it is written at once, in order).
    using Item = std::function<std::optional<DomainNames>(int k)>;
    // Writes item k with its cells.
    using Write = std::function<void(int k, const Cells& cells)>;

    ParallelRun(CheckRunHost& host, std::vector<CheckRunHost::PlacedCheck> placed, CheckBounds bounds,
                int width, Abandoned& abandoned);

    // Walks items [first, count). Returns the first item not written when the run was stopped (the
    // host's start button shown again), else -1.
    int Walk(int first, int count, const Item& item, const Write& write);

    const RunCounts& Counts() const { return counts_; }

private:
    struct Bell;

    CheckRunHost& host_;
    const std::vector<CheckRunHost::PlacedCheck> placed_;
    const CheckBounds bounds_;
    const int width_;
    Abandoned& abandoned_;
    RunCounts counts_;
};

// The run of today's checks as a LineRun: list lines become rows in list order; a recheck rewrites
// rows in place, each showing "> " before its name while it is checked.
class ManyAtOnceRun : public LineRun {
public:
    ManyAtOnceRun(CheckRunHost& host, CheckBounds bounds, Abandoned& abandoned)
        : host_(host), bounds_(bounds), abandoned_(abandoned) {}
    int Lines(int first, int count, int& row) override;
    int Rows(const std::vector<int>& rows) override;

private:
    CheckRunHost& host_;
    const CheckBounds bounds_;
    Abandoned& abandoned_;
};

// The checks of placed, and their owners' shares.
std::vector<Check*> ChecksOf(const std::vector<CheckRunHost::PlacedCheck>& placed);
std::vector<std::shared_ptr<Check>> KeepsOf(const std::vector<CheckRunHost::PlacedCheck>& placed);

// Writes each check's cells into row from its first column on, never past the table's columns nor
// into the first four (the domain and the bar's).
void WritePlacedCells(CheckRunHost& host, int row, const std::vector<CheckRunHost::PlacedCheck>& placed,
                      const ParallelRun::Cells& cells);

}  // namespace vantle
