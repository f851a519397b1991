#include "check/ParallelChecks.h"

#include <chrono>
#include <utility>

namespace vantle {

ParallelChecks::ParallelChecks(const std::vector<Check*>& checks, DomainNames names, CheckBounds bounds,
                               std::vector<std::shared_ptr<Check>> keep)
    : checks_(checks), keep_(std::move(keep)), names_(std::move(names)), cells_(checks.size()) {
    const SteadyTime deadline = bounds.clock->Now() + Millis(bounds.timeoutMs);
    for (std::size_t i = 0; i < checks_.size(); ++i) {
        tokens_.push_back(
            std::make_unique<CancelToken>(stop_.get_token(), deadline, *bounds.clock, bounds.pacer));
    }
    threads_.reserve(checks_.size());
    for (std::size_t i = 0; i < checks_.size(); ++i) {
        if (!checks_[i]->Local()) {
            threads_.emplace_back([this, i] { RunOne(i); });
        }
    }
    for (std::size_t i = 0; i < checks_.size(); ++i) {
        if (checks_[i]->Local()) {
            RunOne(i);
        }
    }
}

ParallelChecks::~ParallelChecks() {
    Cancel();
    for (std::thread& t : threads_) {
        t.join();
    }
}

std::vector<std::string> ParallelChecks::Cells(Check& check, const CancelToken& token) const {
    if (names_.full.empty()) {
        // Decided once for the name: no check of today sends it anywhere.
        return std::vector<std::string>(check.Columns().size(), std::string(kBadName));
    }
    try {
        return check.Run(names_, token);
    } catch (...) {
        return {};  // a check that broke its word gives empty cells rather than ending the program
    }
}

void ParallelChecks::RunOne(std::size_t i) {
    Check& check = *checks_[i];
    std::vector<std::string> cells = Cells(check, *tokens_[i]);
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
