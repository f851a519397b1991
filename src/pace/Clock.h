#pragma once
// The clock every wait of a run takes: the steady clock in the programs, a virtual one in tests, so
// that a test of "30 a minute" or "a stop within a second" never sleeps on the wall clock.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <stop_token>

namespace vantle {

using SteadyTime = std::chrono::steady_clock::time_point;
using Millis = std::chrono::milliseconds;

class Clock {
public:
    virtual ~Clock() = default;
    virtual SteadyTime Now() const = 0;
    // Waits on cv (lock held, as for cv.wait) until ready() holds, the time `until` comes or stop is
    // requested; returns ready(). Whoever makes ready() true notifies cv.
    virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv,
                           SteadyTime until, std::stop_token stop, const std::function<bool()>& ready) = 0;
    // Sleeps until `until` unless stop is requested first; false when it was.
    bool SleepUntil(SteadyTime until, std::stop_token stop);
};

// std::chrono::steady_clock.
Clock& SteadyClock();

// A clock that moves only when told to (tests). Waits poll it every millisecond of real time.
class VirtualClock : public Clock {
public:
    SteadyTime Now() const override;
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable_any& cv, SteadyTime until,
                   std::stop_token stop, const std::function<bool()>& ready) override;
    void Advance(Millis by);
    // How many threads wait on this clock right now, and how many of them are due (their time has
    // come but they have not looked yet): a test moves the clock on once every waiter is settled.
    int Waiting() const;
    int Due() const;

private:
    mutable std::mutex mutex_;
    SteadyTime now_{};
    std::multiset<SteadyTime> waits_;
};

}  // namespace vantle
