#pragma once
// A bounded wait for something another thread does: a test whose code under test breaks fails within
// the bound instead of hanging.

#include <chrono>
#include <thread>

namespace vantle::testing {

inline constexpr std::chrono::seconds kEventually{10};

// Polls done() until it holds or bound (real time) passes; done()'s last value.
template <typename Done>
bool Eventually(Done done, std::chrono::milliseconds bound = kEventually) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return done();
        }
        std::this_thread::yield();
    }
    return true;
}

}  // namespace vantle::testing
