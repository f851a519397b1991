#pragma once
// The checks of one domain that go to different servers, each on a thread of its own, so that the
// domain costs the slowest check rather than the sum of them. The window keeps pumping meanwhile.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "check/Check.h"

namespace vantle {

class ParallelChecks {
public:
    // Starts every check on names at once.
    ParallelChecks(const std::vector<Check*>& checks, DomainNames names);
    // Cancels what still runs and waits for it: a check never outlives the run that started it.
    ~ParallelChecks();
    ParallelChecks(const ParallelChecks&) = delete;
    ParallelChecks& operator=(const ParallelChecks&) = delete;

    // Waits at most ms; true once every check has given its cells.
    bool WaitFor(int ms);
    void Cancel() { cancel_.Cancel(); }
    // The cells of check i, exactly as many as its columns; call once WaitFor gave true.
    const std::vector<std::string>& Cells(std::size_t i) const { return cells_[i]; }

private:
    void RunOne(std::size_t i);

    const std::vector<Check*> checks_;
    const DomainNames names_;
    CancelToken cancel_;
    std::vector<std::vector<std::string>> cells_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::size_t finished_ = 0;
    std::vector<std::thread> threads_;
};

}  // namespace vantle
