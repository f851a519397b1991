#pragma once
// The checks of one domain that go to different servers, each on a thread of its own, so that the
// domain costs the slowest check rather than the sum of them. The window keeps pumping meanwhile.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "check/Check.h"

namespace vantle {

// What the run gives every check of a domain: the clock its waits take, the services' pace and how
// long a check may take.
struct CheckBounds {
    Clock* clock = &SteadyClock();
    Pacer* pacer = nullptr;
    long timeoutMs = 20000;
};

// The cell text of a check that could not be given a thread (or another resource of the system).
inline constexpr std::string_view kNoResources = "no resources";

class ParallelChecks {
public:
    // Starts every check on names at once: the local ones (a file look-up) right here, the others on
    // threads. keep holds the checks alive for as long as their threads may use them. done, when
    // given, is called once every check has given its cells (on the thread of the last one, or here).
    // A thread that cannot be started gives its check kNoResources in every cell.
    ParallelChecks(const std::vector<Check*>& checks, DomainNames names, CheckBounds bounds = {},
                   std::vector<std::shared_ptr<Check>> keep = {}, std::function<void()> done = {});
    // Cancels what still runs and waits for it: a check never outlives the run that started it.
    ~ParallelChecks();
    ParallelChecks(const ParallelChecks&) = delete;
    ParallelChecks& operator=(const ParallelChecks&) = delete;

    // Waits at most ms; true once every check has given its cells.
    bool WaitFor(int ms);
    void Cancel() { stop_.request_stop(); }
    // The cells of check i, exactly as many as its columns; call once WaitFor gave true.
    const std::vector<std::string>& Cells(std::size_t i) const { return cells_[i]; }
    // Every check's cells, moved out; call once WaitFor gave true.
    std::vector<std::vector<std::string>> TakeCells() { return std::move(cells_); }

private:
    void RunOne(std::size_t i);
    void Finish(std::size_t i, std::vector<std::string> cells);
    // The check's cells for the name: "bad name" in each without asking when the name cannot be
    // asked for.
    std::vector<std::string> Cells(Check& check, const CancelToken& token) const;

    const std::vector<Check*> checks_;
    const std::vector<std::shared_ptr<Check>> keep_;
    const DomainNames names_;
    std::stop_source stop_;
    std::vector<std::unique_ptr<CancelToken>> tokens_;
    std::vector<std::vector<std::string>> cells_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::size_t finished_ = 0;
    std::function<void()> whenDone_;
    std::vector<std::thread> threads_;
};

}  // namespace vantle
