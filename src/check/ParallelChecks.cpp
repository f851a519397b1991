#include "check/ParallelChecks.h"

#include <chrono>
#include <utility>

namespace vantle {

ParallelChecks::ParallelChecks(const std::vector<Check*>& checks, DomainNames names)
    : checks_(checks), names_(std::move(names)), cells_(checks.size()) {
    threads_.reserve(checks_.size());
    for (std::size_t i = 0; i < checks_.size(); ++i) {
        threads_.emplace_back([this, i] { RunOne(i); });
    }
}

ParallelChecks::~ParallelChecks() {
    Cancel();
    for (std::thread& t : threads_) {
        t.join();
    }
}

void ParallelChecks::RunOne(std::size_t i) {
    Check& check = *checks_[i];
    std::vector<std::string> cells;
    try {
        cells = check.Run(names_, cancel_);
    } catch (...) {
        cells.clear();  // a check that broke its word gives empty cells rather than ending the program
    }
    cells.resize(check.Columns().size());
    const std::lock_guard<std::mutex> lock(mutex_);
    cells_[i] = std::move(cells);
    ++finished_;
    done_.notify_all();
}

bool ParallelChecks::WaitFor(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, std::chrono::milliseconds(ms),
                          [this] { return finished_ == checks_.size(); });
}

}  // namespace vantle
