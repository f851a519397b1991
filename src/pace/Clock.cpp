#include "pace/Clock.h"

#include <iterator>

namespace vantle {
namespace {

class Steady : public Clock {
public:
    SteadyTime Now() const override { return std::chrono::steady_clock::now(); }
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv, SteadyTime until,
                   std::stop_token stop, const std::function<bool()>& ready) override {
        return cv.wait_until(lock, stop, until, ready);
    }
};

}  // namespace

bool Clock::SleepUntil(SteadyTime until, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any cv;
    std::unique_lock lock(mutex);
    WaitUntil(lock, cv, until, stop, [] { return false; });
    return !stop.stop_requested();
}

Clock& SteadyClock() {
    static Steady clock;
    return clock;
}

SteadyTime VirtualClock::Now() const {
    const std::lock_guard lock(mutex_);
    return now_;
}

bool VirtualClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv,
                             SteadyTime until, std::stop_token stop, const std::function<bool()>& ready) {
    std::multiset<SteadyTime>::iterator mine;
    {
        const std::lock_guard own(mutex_);
        mine = waits_.insert(until);
    }
    while (!ready() && !stop.stop_requested() && Now() < until) {
        cv.wait_for(lock, stop, Millis(1), ready);
    }
    const std::lock_guard own(mutex_);
    waits_.erase(mine);
    return ready();
}

void VirtualClock::Advance(Millis by) {
    const std::lock_guard lock(mutex_);
    now_ += by;
}

int VirtualClock::Waiting() const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(waits_.size());
}

int VirtualClock::Due() const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(std::distance(waits_.begin(), waits_.upper_bound(now_)));
}

}  // namespace vantle
