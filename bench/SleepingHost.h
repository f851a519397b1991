#pragma once
// The host of the engine's tests, with a real pause and a real clock.

#include <chrono>
#include <thread>

#include "check/FakeHost.h"

namespace vantle::bench {

// The host of the tests, with a real pause.
class SleepingHost : public testing::FakeHost {
public:
    void Sleep(int ms) override {
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        slept_ += std::chrono::steady_clock::now() - start;
    }
    long long NowMs() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    std::chrono::steady_clock::duration Slept() const { return slept_; }

private:
    std::chrono::steady_clock::duration slept_{};
};

}  // namespace vantle::bench
