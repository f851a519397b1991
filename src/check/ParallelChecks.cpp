#include "check/ParallelChecks.h"

#include <chrono>
#include <new>
#include <system_error>
#include <utility>

namespace vantle {

ParallelChecks::ParallelChecks(const std::vector<Check*>& checks, DomainNames names, CheckBounds bounds,
                               std::vector<std::shared_ptr<Check>> keep, std::function<void()> done)
    : checks_(checks),
      keep_(std::move(keep)),
      names_(std::move(names)),
      cells_(checks.size()),
      whenDone_(std::move(done)) {
    const SteadyTime deadline = bounds.clock->Now() + Millis(bounds.timeoutMs);
    for (std::size_t i = 0; i < checks_.size(); ++i) {
        tokens_.push_back(
            std::make_unique<CancelToken>(stop_.get_token(), deadline, *bounds.clock, bounds.pacer));
    }
    threads_.reserve(checks_.size());
    for (std::size_t i = 0; i < checks_.size(); ++i) {
        if (checks_[i]->Local()) {
            continue;
        }
        try {
            threads_.emplace_back([this, i] { RunOne(i); });
        } catch (const std::system_error&) {
            Finish(i, std::vector<std::string>(checks_[i]->Columns().size(), std::string(kNoResources)));
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
    } catch (const std::system_error&) {
        return std::vector<std::string>(check.Columns().size(), std::string(kNoResources));
    } catch (const std::bad_alloc&) {
        return std::vector<std::string>(check.Columns().size(), std::string(kNoResources));
    } catch (...) {
        return {};  // a check that broke its word gives empty cells rather than ending the program
    }
}

void ParallelChecks::RunOne(std::size_t i) {
    Finish(i, Cells(*checks_[i], *tokens_[i]));
}

void ParallelChecks::Finish(std::size_t i, std::vector<std::string> cells) {
    cells.resize(checks_[i]->Columns().size());
    bool all = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        cells_[i] = std::move(cells);
        all = ++finished_ == checks_.size();
        done_.notify_all();
    }
    if (all && whenDone_) {
        whenDone_();
    }
}

bool ParallelChecks::WaitFor(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, std::chrono::milliseconds(ms),
                          [this] { return finished_ == checks_.size(); });
}

}  // namespace vantle
